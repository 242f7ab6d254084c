// Keeps morvex_core non-empty while subsystem folders are being filled.
namespace morvex_detail { int coreAnchor = 0; }

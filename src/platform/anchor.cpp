// Keeps morvex_platform non-empty until the layer has sources of its own.
namespace win_detail { int platformAnchor = 0; }

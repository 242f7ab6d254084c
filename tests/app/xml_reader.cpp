#include "app/xml_reader.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct Reader {
    const std::string& s;
    size_t i = 0;
    std::string err;

    bool fail(const std::string& why)
    {
        if (err.empty()) err = why + " at offset " + std::to_string(i);
        return false;
    }
    void skipSpace()
    {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool name(std::string* out)
    {
        size_t a = i;
        while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '-' ||
                                s[i] == '.' || s[i] == ':'))
            ++i;
        if (i == a || std::isdigit(static_cast<unsigned char>(s[a]))) return fail("name expected");
        *out = s.substr(a, i - a);
        return true;
    }
    bool reference(std::string* out)
    {
        size_t semi = s.find(';', i);
        if (semi == std::string::npos) return fail("unterminated reference");
        std::string e = s.substr(i + 1, semi - i - 1);
        if (e == "amp") *out += '&';
        else if (e == "lt") *out += '<';
        else if (e == "gt") *out += '>';
        else if (e == "quot") *out += '"';
        else if (e == "apos") *out += '\'';
        else if (e.size() > 1 && e[0] == '#') *out += static_cast<char>(std::strtol(e.c_str() + 1, nullptr, 10));
        else return fail("unknown reference &" + e + ";");
        i = semi + 1;
        return true;
    }
    bool chars(char stop, std::string* out)
    {
        while (i < s.size() && s[i] != stop) {
            if (s[i] == '&') {
                if (!reference(out)) return false;
            } else if (s[i] == '<' && stop == '"') {
                return fail("'<' in an attribute");
            } else {
                unsigned char c = static_cast<unsigned char>(s[i]);
                if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return fail("control character");
                *out += s[i++];
            }
        }
        return true;
    }
    bool element(XmlNode* node)
    {
        if (i >= s.size() || s[i] != '<') return fail("'<' expected");
        ++i;
        if (!name(&node->name)) return false;
        for (;;) {
            skipSpace();
            if (i >= s.size()) return fail("tag not closed");
            if (s[i] == '/') {
                if (s.compare(i, 2, "/>") != 0) return fail("'/>' expected");
                i += 2;
                return true;
            }
            if (s[i] == '>') {
                ++i;
                break;
            }
            std::string an, av;
            if (!name(&an)) return false;
            skipSpace();
            if (i >= s.size() || s[i] != '=') return fail("'=' expected");
            ++i;
            skipSpace();
            if (i >= s.size() || s[i] != '"') return fail("'\"' expected");
            ++i;
            if (!chars('"', &av)) return false;
            if (i >= s.size()) return fail("attribute not closed");
            ++i;
            for (const auto& a : node->attributes)
                if (a.first == an) return fail("attribute twice");
            node->attributes.emplace_back(an, av);
        }
        for (;;) {
            if (!chars('<', &node->text)) return false;
            if (i >= s.size()) return fail("element " + node->name + " not closed");
            if (s.compare(i, 2, "</") == 0) {
                i += 2;
                std::string end;
                if (!name(&end)) return false;
                if (end != node->name) return fail("</" + end + "> closes <" + node->name + ">");
                skipSpace();
                if (i >= s.size() || s[i] != '>') return fail("'>' expected");
                ++i;
                return true;
            }
            auto child = std::make_unique<XmlNode>();
            if (!element(child.get())) return false;
            node->children.push_back(std::move(child));
        }
    }
};

}  // namespace

std::unique_ptr<XmlNode> parseXml(const std::string& text, std::string* pError)
{
    Reader r{text, 0, std::string()};
    if (text.compare(0, 5, "<?xml") == 0) {
        size_t e = text.find("?>");
        if (e == std::string::npos) {
            *pError = "declaration not closed";
            return nullptr;
        }
        r.i = e + 2;
    }
    r.skipSpace();
    auto root = std::make_unique<XmlNode>();
    if (!r.element(root.get())) {
        *pError = r.err;
        return nullptr;
    }
    r.skipSpace();
    if (r.i != text.size()) {
        *pError = "text after the root element";
        return nullptr;
    }
    return root;
}

std::unique_ptr<XmlNode> parseXmlFile(const std::string& path, std::string* pError)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        *pError = "cannot open " + path;
        return nullptr;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    return parseXml(ss.str(), pError);
}

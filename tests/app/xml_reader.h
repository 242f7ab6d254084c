// A strict reader for the XML the program writes: declaration, elements,
// attributes, text and the five predefined and numeric character references.
// Anything else (a tag left open, a stray '<' or '&', bad UTF-8) is an error.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
    std::vector<std::unique_ptr<XmlNode>> children;

    const XmlNode* child(const std::string& n) const
    {
        for (const auto& c : children)
            if (c->name == n) return c.get();
        return nullptr;
    }
    std::vector<const XmlNode*> all(const std::string& n) const
    {
        std::vector<const XmlNode*> out;
        for (const auto& c : children)
            if (c->name == n) out.push_back(c.get());
        return out;
    }
    std::string attr(const std::string& n) const
    {
        for (const auto& a : attributes)
            if (a.first == n) return a.second;
        return "";
    }
};

// The root element, or null with the reason in *pError.
std::unique_ptr<XmlNode> parseXml(const std::string& text, std::string* pError);
std::unique_ptr<XmlNode> parseXmlFile(const std::string& path, std::string* pError);

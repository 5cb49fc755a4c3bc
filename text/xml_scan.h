#pragma once

// A reader of the XML of a workbook's parts: a token at a time, the
// entities and character references replaced, names without their prefix.
// No DTDs (a document with one is taken as damaged), no namespaces beyond
// dropping the prefix, no validation: what a workbook's parts need.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

// One piece of XML: character data (entities replaced) or a tag.
struct XmlToken {
    enum Kind { Text, Start, End, Empty } Type = Text;
    std::string_view Name; // without its prefix
    std::string_view Attributes;
    std::string Content; // of Text
};

inline std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// `raw` with the XML entities and character references replaced, appended
// to `out`; false when one is malformed.
bool AppendUnescaped(std::string_view raw, std::string& out);

// The tokens of an XML document in order; Damaged() once it is malformed.
class XmlScanner {
public:
    explicit XmlScanner(std::string_view xml) : xml_(xml) {}
    bool Damaged() const { return damaged_; }

    bool Next(XmlToken& token) {
        token.Content.clear();
        if (damaged_ || pos_ >= xml_.size())
            return false;
        if (xml_[pos_] != '<') {
            const std::size_t end = std::min(xml_.find('<', pos_), xml_.size());
            token.Type = XmlToken::Text;
            damaged_ = !AppendUnescaped(xml_.substr(pos_, end - pos_), token.Content);
            pos_ = end;
            return !damaged_;
        }
        if (xml_.substr(pos_, 9) == "<![CDATA[")
            return Cdata(token);
        if (xml_.substr(pos_, 4) == "<!--")
            return Skip("-->", token);
        if (xml_.substr(pos_, 2) == "<?")
            return Skip("?>", token);
        if (xml_.substr(pos_, 2) == "<!") // a DOCTYPE: no workbook has one
            return Fail();
        return Tag(token);
    }

private:
    bool Fail() {
        damaged_ = true;
        return false;
    }
    bool Skip(std::string_view close, XmlToken& token) {
        const std::size_t end = xml_.find(close, pos_ + 2);
        if (end == std::string_view::npos)
            return Fail();
        pos_ = end + close.size();
        return Next(token);
    }
    bool Cdata(XmlToken& token) {
        const std::size_t end = xml_.find("]]>", pos_ + 9);
        if (end == std::string_view::npos)
            return Fail();
        token.Type = XmlToken::Text;
        token.Content.assign(xml_.substr(pos_ + 9, end - pos_ - 9));
        pos_ = end + 3;
        return true;
    }
    bool Tag(XmlToken& token) {
        // A '>' inside an attribute's quotes does not end the tag.
        std::size_t end = pos_ + 1;
        for (char quote = 0; end < xml_.size() && (quote || xml_[end] != '>'); ++end)
            if (xml_[end] == '"' || xml_[end] == '\'')
                quote = quote == xml_[end] ? 0 : quote ? quote : xml_[end];
        if (end >= xml_.size())
            return Fail();
        std::string_view inner = xml_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        token.Type = XmlToken::Start;
        if (!inner.empty() && inner.front() == '/') {
            token.Type = XmlToken::End;
            inner.remove_prefix(1);
        } else if (!inner.empty() && inner.back() == '/') {
            token.Type = XmlToken::Empty;
            inner.remove_suffix(1);
        }
        const std::size_t space = std::min(inner.find_first_of(" \t\r\n"), inner.size());
        if (space == 0)
            return Fail();
        token.Name = LocalName(inner.substr(0, space));
        token.Attributes = inner.substr(space);
        return true;
    }

    std::string_view xml_;
    std::size_t pos_ = 0;
    bool damaged_ = false;
};

// The value of the attribute of that local name in a tag's attributes, if
// it is there and well formed.
std::optional<std::string> Attribute(std::string_view attributes, std::string_view name);

} // namespace tavrilo

#include "import/LXmlReader.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The code points XML allows in a document.
bool IsXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string Quoted(std::string_view name)
{
    return "<" + std::string(name) + ">";
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return lower;
}

} // namespace

void LXmlAppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool LXmlCheckUtf8(std::string_view bytes, int& badLine)
{
    int line = 1;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            if (c == '\n')
                ++line;
            else if (c < 0x20 && c != '\t' && c != '\r') {
                badLine = line;
                return false;
            }
            ++i;
            continue;
        }
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (length == 0 || c > 0xF4 || i + length > bytes.size()) {
            badLine = line;
            return false;
        }
        uint32_t code = c & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                badLine = line;
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        static constexpr uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || !IsXmlChar(code)) {
            badLine = line;
            return false;
        }
        i += std::size_t(length);
    }
    return true;
}

LXmlReader::LXmlReader(std::string_view document) : doc_(document)
{
    if (doc_.starts_with("\xEF\xBB\xBF"))
        at_ = 3;
}

std::string_view LXmlReader::LocalName() const
{
    const std::size_t colon = name_.find(':');
    return colon == std::string::npos ? std::string_view(name_)
                                      : std::string_view(name_).substr(colon + 1);
}

std::string_view LXmlReader::Attribute(std::string_view name) const
{
    for (const LXmlAttribute& attribute : attributes_)
        if (attribute.name == name)
            return attribute.value;
    return {};
}

double LXmlReader::Progress() const
{
    return doc_.empty() ? 1.0 : double(std::min(at_, doc_.size())) / double(doc_.size());
}

eXmlToken LXmlReader::FailAt(int line, std::string_view what)
{
    error_ = "line " + std::to_string(line) + ": " + std::string(what);
    tokenLine_ = line;
    token_ = eXmlError;
    return token_;
}

eXmlToken LXmlReader::Fail(std::string_view what)
{
    return FailAt(line_, what);
}

void LXmlReader::Advance(std::size_t count)
{
    count = std::min(count, doc_.size() - at_);
    line_ += int(std::count(doc_.begin() + long(at_), doc_.begin() + long(at_ + count), '\n'));
    at_ += count;
}

bool LXmlReader::SkipBlanks()
{
    const std::size_t from = at_;
    std::size_t end = at_;
    while (end < doc_.size() && IsBlank(doc_[end]))
        ++end;
    Advance(end - from);
    return end > from;
}

bool LXmlReader::ReadName(std::string& name)
{
    std::size_t end = at_;
    if (end >= doc_.size() || !IsNameStart(static_cast<unsigned char>(doc_[end]))) {
        Fail("a name was expected here");
        return false;
    }
    while (end < doc_.size() && IsNameChar(static_cast<unsigned char>(doc_[end])))
        ++end;
    if (end - at_ > kXmlMaxNameBytes) {
        Fail("a name longer than " + std::to_string(kXmlMaxNameBytes) + " bytes");
        return false;
    }
    name.assign(doc_.substr(at_, end - at_));
    Advance(end - at_);
    return true;
}

bool LXmlReader::ReadReference(std::string& out)
{
    // At '&'. References are short; a ';' further away means there is none.
    const std::size_t semicolon = doc_.find(';', at_);
    if (semicolon == std::string::npos || semicolon - at_ > 12) {
        Fail("a '&' that starts no entity or character reference (write &amp; for '&')");
        return false;
    }
    const std::string_view body = doc_.substr(at_ + 1, semicolon - at_ - 1);
    if (body.starts_with('#')) {
        const bool hex = body.starts_with("#x");
        const std::string_view digits = body.substr(hex ? 2 : 1);
        uint32_t code = 0;
        bool good = !digits.empty();
        for (const char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0 || code > 0x10FFFF) {
                good = false;
                break;
            }
            code = code * (hex ? 16 : 10) + uint32_t(digit);
        }
        if (!good || !IsXmlChar(code)) {
            Fail("&" + std::string(body) + "; is not a character XML allows");
            return false;
        }
        LXmlAppendUtf8(out, code);
    } else if (body == "lt") {
        out += '<';
    } else if (body == "gt") {
        out += '>';
    } else if (body == "amp") {
        out += '&';
    } else if (body == "apos") {
        out += '\'';
    } else if (body == "quot") {
        out += '"';
    } else {
        Fail("the entity &" + std::string(body) + "; is not defined");
        return false;
    }
    Advance(semicolon + 1 - at_);
    return true;
}

bool LXmlReader::ReadAttributeValue(std::string& value)
{
    if (AtEnd() || (doc_[at_] != '"' && doc_[at_] != '\'')) {
        Fail("an attribute value in quotes was expected");
        return false;
    }
    const int startLine = line_;
    const char quote = doc_[at_];
    Advance(1);
    value.clear();
    while (!AtEnd() && doc_[at_] != quote) {
        const char c = doc_[at_];
        if (c == '<') {
            Fail("'<' inside an attribute value");
            return false;
        }
        if (c == '&') {
            if (!ReadReference(value))
                return false;
        } else {
            // Line breaks and tabs in a value are read as spaces.
            value += IsBlank(c) ? ' ' : c;
            Advance(1);
        }
        if (value.size() > kXmlMaxTextBytes) {
            Fail("an attribute value longer than the limit");
            return false;
        }
    }
    if (AtEnd()) {
        FailAt(startLine, "an attribute value that is never closed");
        return false;
    }
    Advance(1);
    return true;
}

bool LXmlReader::SkipComment()
{
    const int startLine = line_;
    const std::size_t dashes = doc_.find("--", at_ + 4);
    if (dashes == std::string::npos) {
        FailAt(startLine, "a comment that is never closed");
        return false;
    }
    if (dashes + 2 >= doc_.size() || doc_[dashes + 2] != '>') {
        Advance(dashes - at_);
        Fail("'--' inside a comment");
        return false;
    }
    Advance(dashes + 3 - at_);
    return true;
}

bool LXmlReader::SkipProcessingInstruction(bool atDocumentStart)
{
    const int startLine = line_;
    Advance(2);
    std::string target;
    if (!ReadName(target))
        return false;
    if (Lower(target) == "xml") {
        Fail(atDocumentStart ? "a malformed XML declaration"
                             : "the XML declaration must stand at the very start of the file");
        return false;
    }
    const std::size_t end = doc_.find("?>", at_);
    if (end == std::string::npos) {
        FailAt(startLine, "a processing instruction that is never closed");
        return false;
    }
    Advance(end + 2 - at_);
    return true;
}

bool LXmlReader::ReadDeclaration()
{
    Advance(5);
    bool versionSeen = false;
    while (true) {
        const bool blank = SkipBlanks();
        if (Starts("?>")) {
            Advance(2);
            break;
        }
        if (AtEnd() || !blank) {
            Fail("a malformed XML declaration");
            return false;
        }
        std::string name;
        std::string value;
        if (!ReadName(name))
            return false;
        SkipBlanks();
        if (!Starts("=")) {
            Fail("a malformed XML declaration");
            return false;
        }
        Advance(1);
        SkipBlanks();
        if (!ReadAttributeValue(value))
            return false;
        if (name == "version") {
            versionSeen = true;
            if (!value.starts_with("1.")) {
                Fail("XML version " + value + " is not read; version 1.0 is");
                return false;
            }
        } else if (name == "encoding") {
            // The caller hands over UTF-8: a file in UTF-16 arrives converted.
            const std::string encoding = Lower(value);
            if (encoding != "utf-8" && encoding != "utf8" && encoding != "utf-16") {
                Fail("the encoding " + value + " is not read; save the file as UTF-8");
                return false;
            }
        } else if (name != "standalone") {
            Fail("a malformed XML declaration");
            return false;
        }
    }
    if (!versionSeen) {
        Fail("the XML declaration has no version");
        return false;
    }
    return true;
}

bool LXmlReader::AppendText(std::string_view piece)
{
    // Line ends are read as single line feeds, as XML requires.
    for (std::size_t i = 0; i < piece.size(); ++i) {
        if (piece[i] == '\r') {
            text_ += '\n';
            if (i + 1 < piece.size() && piece[i + 1] == '\n')
                ++i;
        } else {
            text_ += piece[i];
        }
    }
    if (text_.size() > kXmlMaxTextBytes) {
        Fail("a text longer than " + std::to_string(kXmlMaxTextBytes >> 20) + " MiB");
        return false;
    }
    return true;
}

bool LXmlReader::ReadCData()
{
    const int startLine = line_;
    const std::size_t end = doc_.find("]]>", at_ + 9);
    if (end == std::string::npos) {
        FailAt(startLine, "a CDATA section that is never closed");
        return false;
    }
    const std::string_view piece = doc_.substr(at_ + 9, end - at_ - 9);
    Advance(end + 3 - at_);
    return AppendText(piece);
}

bool LXmlReader::ResolveNamespace()
{
    for (const LXmlAttribute& attribute : attributes_) {
        if (attribute.name == "xmlns")
            namespaces_.push_back({"", attribute.value});
        else if (attribute.name.starts_with("xmlns:"))
            namespaces_.push_back({attribute.name.substr(6), attribute.value});
    }
    const std::size_t colon = name_.find(':');
    const std::string prefix = colon == std::string::npos ? "" : name_.substr(0, colon);
    namespaceUri_.clear();
    for (auto it = namespaces_.rbegin(); it != namespaces_.rend(); ++it) {
        if (it->prefix == prefix) {
            namespaceUri_ = it->uri;
            return true;
        }
    }
    if (!prefix.empty() && prefix != "xml") {
        Fail("the namespace prefix " + prefix + " is not declared");
        return false;
    }
    return true;
}

eXmlToken LXmlReader::ReadStartTag()
{
    const int startLine = line_;
    if (open_.empty() && rootSeen_)
        return Fail("a second root element");
    Advance(1);
    if (!ReadName(name_))
        return token_;
    if (++elementCount_ > kXmlMaxElements)
        return Fail("more than " + std::to_string(kXmlMaxElements) + " elements");
    if (open_.size() >= std::size_t(kXmlMaxDepth))
        return Fail("elements nested deeper than " + std::to_string(kXmlMaxDepth) + " levels");
    attributes_.clear();
    bool empty = false;
    while (true) {
        const bool blank = SkipBlanks();
        if (Starts("/>")) {
            Advance(2);
            empty = true;
            break;
        }
        if (Starts(">")) {
            Advance(1);
            break;
        }
        if (AtEnd())
            return FailAt(startLine, "the start tag " + Quoted(name_) + " is never closed");
        if (!blank)
            return Fail("a blank must separate the attributes of " + Quoted(name_));
        LXmlAttribute attribute;
        if (!ReadName(attribute.name))
            return token_;
        SkipBlanks();
        if (!Starts("="))
            return Fail("the attribute " + attribute.name + " has no '=' and value");
        Advance(1);
        SkipBlanks();
        if (!ReadAttributeValue(attribute.value))
            return token_;
        for (const LXmlAttribute& other : attributes_)
            if (other.name == attribute.name)
                return Fail("the attribute " + attribute.name + " is given twice");
        if (attributes_.size() >= kXmlMaxAttributes)
            return Fail("more than " + std::to_string(kXmlMaxAttributes) + " attributes");
        attributes_.push_back(std::move(attribute));
    }
    const std::size_t namespaceCount = namespaces_.size();
    if (!ResolveNamespace())
        return token_;
    open_.push_back({name_, namespaceCount, startLine, namespaceUri_});
    rootSeen_ = true;
    pendingEnd_ = empty;
    tokenLine_ = startLine;
    token_ = eXmlStartElement;
    return token_;
}

eXmlToken LXmlReader::ReadEndTag()
{
    const int startLine = line_;
    Advance(2);
    std::string name;
    if (!ReadName(name))
        return token_;
    SkipBlanks();
    if (!Starts(">"))
        return FailAt(startLine, "the end tag </" + name + "> is not closed with '>'");
    Advance(1);
    if (open_.empty())
        return FailAt(startLine, "the end tag </" + name + "> closes no element");
    if (open_.back().name != name)
        return FailAt(startLine, "the end tag </" + name + "> does not match " +
                                         Quoted(open_.back().name) + " of line " +
                                         std::to_string(open_.back().line));
    tokenLine_ = startLine;
    return CloseElement();
}

eXmlToken LXmlReader::CloseElement()
{
    name_ = open_.back().name;
    namespaceUri_ = open_.back().uri;
    namespaces_.resize(open_.back().namespaceCount);
    open_.pop_back();
    token_ = eXmlEndElement;
    return token_;
}

eXmlToken LXmlReader::Next()
{
    if (token_ == eXmlError || token_ == eXmlEndOfDocument)
        return token_;
    if (pendingEnd_) {
        pendingEnd_ = false;
        return CloseElement();
    }
    if (!started_) {
        started_ = true;
        int badLine = 0;
        if (doc_.size() > kXmlMaxInputBytes)
            return FailAt(1, "the file is larger than " + std::to_string(kXmlMaxInputBytes >> 20) +
                                     " MiB");
        if (!LXmlCheckUtf8(doc_.substr(at_), badLine))
            return FailAt(badLine, "a byte that is not UTF-8 text or a control character "
                                   "XML does not allow");
        if (Starts("<?xml") && at_ + 5 < doc_.size() && IsBlank(doc_[at_ + 5]) &&
            !ReadDeclaration())
            return token_;
    }
    text_.clear();
    bool haveText = false;
    int textLine = line_;
    while (true) {
        if (AtEnd()) {
            if (!open_.empty())
                return Fail("the file ends inside " + Quoted(open_.back().name) + " of line " +
                            std::to_string(open_.back().line));
            if (!rootSeen_)
                return Fail("the file holds no element");
            tokenLine_ = line_;
            token_ = eXmlEndOfDocument;
            return token_;
        }
        if (doc_[at_] == '<') {
            if (Starts("<!--")) {
                if (!SkipComment())
                    return token_;
                continue;
            }
            if (Starts("<?")) {
                if (!SkipProcessingInstruction(false))
                    return token_;
                continue;
            }
            if (Starts("<![CDATA[")) {
                if (open_.empty())
                    return Fail("a CDATA section outside the root element");
                if (!haveText)
                    textLine = line_;
                haveText = true;
                if (!ReadCData())
                    return token_;
                continue;
            }
            if (Starts("<!DOCTYPE"))
                return Fail("a document type declaration (DOCTYPE) is not accepted");
            if (Starts("<!"))
                return Fail("markup that is not an element, comment or CDATA section");
            if (haveText) {
                tokenLine_ = textLine;
                token_ = eXmlText;
                return token_;
            }
            return Starts("</") ? ReadEndTag() : ReadStartTag();
        }
        // Outside the root a reference is text too, which is not allowed there.
        std::size_t end = doc_.find_first_of(open_.empty() ? "<" : "<&", at_);
        if (end == std::string::npos)
            end = doc_.size();
        const std::string_view piece = doc_.substr(at_, end - at_);
        if (open_.empty()) {
            const auto text =
                    std::find_if(piece.begin(), piece.end(), [](char c) { return !IsBlank(c); });
            Advance(std::size_t(text - piece.begin()));
            if (text != piece.end())
                return Fail("text outside the root element");
            continue;
        }
        if (!haveText)
            textLine = line_;
        haveText = true;
        if (const std::size_t bad = piece.find("]]>"); bad != std::string::npos) {
            Advance(bad);
            return Fail("']]>' in text (write ]]&gt;)");
        }
        Advance(piece.size());
        if (!AppendText(piece))
            return token_;
        if (!AtEnd() && doc_[at_] == '&' && !ReadReference(text_))
            return token_;
        if (text_.size() > kXmlMaxTextBytes)
            return Fail("a text longer than the limit");
    }
}

// ---------------------------------------------------------------------------------------
// Records

const LXmlNode* LXmlNode::Child(std::string_view childName) const
{
    for (const LXmlNode& child : children)
        if (child.name == childName)
            return &child;
    return nullptr;
}

std::string_view LXmlNode::ChildText(std::string_view childName) const
{
    const LXmlNode* child = Child(childName);
    return child ? std::string_view(child->text) : std::string_view();
}

bool LXmlReadElement(LXmlReader& reader, LXmlNode& node)
{
    node.name = std::string(reader.LocalName());
    node.line = reader.Line();
    node.text.clear();
    node.children.clear();
    while (true) {
        switch (reader.Next()) {
        case eXmlStartElement:
            node.children.emplace_back();
            if (!LXmlReadElement(reader, node.children.back()))
                return false;
            break;
        case eXmlText:
            if (node.text.size() < kXmlMaxTextBytes)
                node.text += reader.Text();
            break;
        case eXmlEndElement: {
            const std::size_t first = node.text.find_first_not_of(" \t\n\r");
            const std::size_t last = node.text.find_last_not_of(" \t\n\r");
            node.text = first == std::string::npos ? std::string()
                                                   : node.text.substr(first, last - first + 1);
            return true;
        }
        case eXmlEndOfDocument:
        case eXmlError:
            return false;
        }
    }
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A small strict XML reader for files from other programs: it hands out elements, their
// attributes and text one at a time and stops at the first thing that is not well-formed,
// with the line it stands on. It knows no document type: a DOCTYPE is refused, so no
// entity can be defined, fetched or expanded; only the five predefined entities and
// character references are read. Every size it keeps is bounded, so a hostile file ends
// in an error, never in unbounded memory or time.

// The bounds; going past one is an error of the document.
inline constexpr std::size_t kXmlMaxInputBytes = 256u << 20;
inline constexpr int kXmlMaxDepth = 128;
inline constexpr std::size_t kXmlMaxElements = 8'000'000;
// One run of text between two tags (CDATA included), after decoding.
inline constexpr std::size_t kXmlMaxTextBytes = 8u << 20;
inline constexpr std::size_t kXmlMaxNameBytes = 1024;
inline constexpr std::size_t kXmlMaxAttributes = 256;

struct LXmlAttribute {
    std::string name;
    std::string value;
};

enum eXmlToken : int {
    eXmlStartElement,
    // Also after an empty-element tag (<a/>), which is read as a start and an end.
    eXmlEndElement,
    // Character data and CDATA between two tags, joined; comments and processing
    // instructions inside it are skipped.
    eXmlText,
    eXmlEndOfDocument,
    eXmlError,
};

class LXmlReader {
public:
    // `document` must outlive the reader. A UTF-8 byte order mark is skipped; the text
    // must be UTF-8 (the caller converts other encodings first).
    explicit LXmlReader(std::string_view document);

    // The next token; after an error or the end of the document it stays there.
    eXmlToken Next();
    eXmlToken Token() const { return token_; }

    // The element of a start or end token: its name as written, that name without a prefix
    // and the namespace the prefix (or the default namespace) stands for there.
    const std::string& Name() const { return name_; }
    std::string_view LocalName() const;
    const std::string& NamespaceUri() const { return namespaceUri_; }
    // The attributes of a start token, values decoded, namespace declarations included.
    const std::vector<LXmlAttribute>& Attributes() const { return attributes_; }
    // The value of an attribute of a start token; empty when it has none.
    std::string_view Attribute(std::string_view name) const;
    // The decoded text of a text token.
    const std::string& Text() const { return text_; }
    // The number of open elements; a start token counts its own element.
    int Depth() const { return int(open_.size()); }
    // The line on which the current token starts (1 for the first).
    int Line() const { return tokenLine_; }
    // "line N: what is wrong"; empty unless the token is eXmlError.
    const std::string& Error() const { return error_; }
    // How far into the document the reader is, 0.0 to 1.0.
    double Progress() const;

private:
    struct Open {
        std::string name;
        // The namespace declarations in force outside the element.
        std::size_t namespaceCount;
        int line;
        std::string uri;
    };
    struct Namespace {
        std::string prefix;
        std::string uri;
    };

    eXmlToken Fail(std::string_view what);
    eXmlToken FailAt(int line, std::string_view what);
    bool AtEnd() const { return at_ >= doc_.size(); }
    bool Starts(std::string_view text) const { return doc_.substr(at_, text.size()) == text; }
    void Advance(std::size_t count);
    bool SkipBlanks();
    bool ReadName(std::string& name);
    bool ReadReference(std::string& out);
    bool ReadAttributeValue(std::string& value);
    bool SkipComment();
    bool SkipProcessingInstruction(bool atDocumentStart);
    bool ReadDeclaration();
    eXmlToken ReadStartTag();
    eXmlToken ReadEndTag();
    eXmlToken CloseElement();
    bool ReadCData();
    bool AppendText(std::string_view piece);
    bool ResolveNamespace();

    std::string_view doc_;
    std::size_t at_ = 0;
    int line_ = 1;
    int tokenLine_ = 1;
    eXmlToken token_ = eXmlStartElement;
    bool started_ = false;
    bool rootSeen_ = false;
    bool pendingEnd_ = false;
    std::size_t elementCount_ = 0;
    std::string name_;
    std::string namespaceUri_;
    std::string text_;
    std::string error_;
    std::vector<LXmlAttribute> attributes_;
    std::vector<Open> open_;
    std::vector<Namespace> namespaces_;
};

// An element with everything inside it, for reading one small record of a larger file at
// a time: names are local names, the text is the element's own text with the blanks
// around it taken off.
struct LXmlNode {
    std::string name;
    std::string text;
    int line = 0;
    std::vector<LXmlNode> children;

    // The first child with this name, or none.
    const LXmlNode* Child(std::string_view childName) const;
    // The text of the first child with this name; empty when there is none.
    std::string_view ChildText(std::string_view childName) const;
};

// Reads the element whose start token the reader is on, up to and including its end
// token, into `node`. False when the reader fails on the way (its Error says why).
bool LXmlReadElement(LXmlReader& reader, LXmlNode& node);

// Whether `bytes` is well-formed UTF-8 without the C0 control characters XML excludes
// (tab, line feed and carriage return are allowed); otherwise the line of the first fault.
bool LXmlCheckUtf8(std::string_view bytes, int& badLine);

// Appends the UTF-8 form of a code point.
void LXmlAppendUtf8(std::string& out, uint32_t codePoint);

#include "import/LXmlReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Reads the whole document; the tokens as "<name", ">name", "'text", then "." at the end or
// "!" and the error.
std::vector<std::string> Tokens(std::string_view document, std::string* error = nullptr,
                                int* line = nullptr)
{
    LXmlReader reader(document);
    std::vector<std::string> tokens;
    auto kind = reader.Next();
    for (; kind != eXmlEndOfDocument && kind != eXmlError; kind = reader.Next())
        tokens.push_back(kind == eXmlText ? "'" + reader.Text()
                                          : (kind == eXmlStartElement ? "<" : ">") + reader.Name());
    if (error)
        *error = reader.Error();
    if (line)
        *line = reader.Line();
    tokens.push_back(kind == eXmlError ? "!" : ".");
    return tokens;
}

} // namespace

TEST(LXmlReader, ReadsElementsTextReferencesAndRecords)
{
    const std::string document = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                 "<!-- before --><?app data?>\n"
                                 "<a x='1 &amp;\n2'><b/>A&lt;<![CDATA[<raw>&amp;]]><!--c-->"
                                 "&#x20AC;&#233;&#x1F600;\r\nz</a>\n";
    EXPECT_EQ(Tokens(document),
              (std::vector<std::string>{"<a", "<b", ">b", "'A<<raw>&amp;\u20AC\u00E9\U0001F600\nz",
                                        ">a", "."}));
    LXmlReader reader(document);
    ASSERT_EQ(reader.Next(), eXmlStartElement);
    EXPECT_EQ(reader.Attribute("x"), "1 & 2");
    EXPECT_EQ(reader.Line(), 3);
    EXPECT_EQ(reader.Depth(), 1);
    // Prefixes resolved; a record read whole.
    LXmlReader records("<p:Project xmlns:p='urn:x'><p:Task><UID> 7 </UID><UID>8</UID>"
                       "</p:Task></p:Project>");
    ASSERT_EQ(records.Next(), eXmlStartElement);
    EXPECT_EQ(std::string(records.LocalName()) + " " + records.NamespaceUri(), "Project urn:x");
    ASSERT_EQ(records.Next(), eXmlStartElement);
    LXmlNode task;
    ASSERT_TRUE(LXmlReadElement(records, task));
    // The text of the first child of a name, trimmed; of none, empty.
    EXPECT_EQ(task.name + " " + std::string(task.ChildText("UID")) + " " +
                      std::string(task.ChildText("Name")) + "|",
              "Task 7 |");
    EXPECT_EQ(task.children.size(), 2u);
    EXPECT_EQ(records.Next(), eXmlEndElement);
    EXPECT_EQ(records.Next(), eXmlEndOfDocument);
}

// Each refusal names the line it stands on; nothing is expanded or read beyond the bounds.
TEST(LXmlReader, RefusesWhatIsNotWellFormedWithItsLine)
{
    std::string nested;
    for (int i = 0; i <= kXmlMaxDepth; ++i)
        nested += "<a>";
    const std::string huge = "<a>" + std::string(kXmlMaxTextBytes + 1, 'x') + "</a>";
    const struct {
        std::string document;
        const char* error;
        int line;
    } cases[] = {
            {"<!DOCTYPE a [<!ENTITY x \"boom\">]><a>&x;</a>", "DOCTYPE) is not accepted", 1},
            {"<a>\n&x;</a>", "the entity &x; is not defined", 2},
            {"<a>\n<b></a>", "</a> does not match <b> of line 2", 2},
            {"<a>\n<b>text", "the file ends inside <b> of line 2", 2},
            {"<a>\n<!-- open", "a comment that is never closed", 2},
            {"<a><![CDATA[\nopen</a>", "a CDATA section that is never closed", 1},
            {"<a x='1>\n</a>", "'<' inside an attribute value", 2},
            {"<a\n x='1' x='2'/>", "the attribute x is given twice", 2},
            {"<1a/>", "a name was expected", 1},
            {"<a>&#0;</a>", "&#0; is not a character", 1},
            {"<a>&#xD800;</a>", "&#xD800; is not a character", 1},
            {"<a>&#x110000;</a>", "is not a character", 1},
            {"<a>&#xFFFE;</a>", "is not a character", 1},
            {"<a>&#12a;</a>", "is not a character", 1},
            {"<a>x & y</a>", "starts no entity", 1},
            {"<a>\n\n\xC3(</a>", "not UTF-8", 3},
            // Overlong, a surrogate, beyond U+10FFFF, cut short, a lead for a continuation.
            {"<a>\xC0\xAF</a>", "not UTF-8", 1},
            {"<a>\xED\xA0\x80</a>", "not UTF-8", 1},
            {"<a>\xF4\x90\x80\x80</a>", "not UTF-8", 1},
            {"<a>\xE2\x82", "not UTF-8", 1},
            {"<a>\n\xC3\xC3</a>", "not UTF-8", 2},
            {"<a>\x01</a>", "control character", 1},
            {"<a>]]></a>", "']]>' in text", 1},
            {"<a><!-- a -- b --></a>", "'--' inside a comment", 1},
            {"<a/>\n<b/>", "a second root element", 2},
            {"text<a/>", "text outside the root element", 1},
            {"<a/>\n&amp;", "text outside the root element", 2},
            {"", "the file holds no element", 1},
            {"<?xml version='1.0' encoding='ISO-8859-1'?><a/>", "encoding ISO-8859-1", 1},
            {"<a/><?xml version='1.0'?>", "very start of the file", 1},
            {"<p:a/>", "prefix p is not declared", 1},
            {"<!ELEMENT a ANY><a/>", "not an element, comment or CDATA", 1},
            {nested, "nested deeper than 128 levels", 1},
            {huge, "a text longer than 8 MiB", 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.document.substr(0, 60));
        std::string error;
        int line = 0;
        const std::vector<std::string> tokens = Tokens(test.document, &error, &line);
        ASSERT_EQ(tokens.back(), "!");
        EXPECT_NE(error.find(test.error), std::string::npos) << error;
        EXPECT_EQ(line, test.line);
        EXPECT_TRUE(error.starts_with("line " + std::to_string(test.line) + ": ")) << error;
        // No entity text ever reaches the output.
        for (const std::string& token : tokens)
            EXPECT_EQ(token.find("boom"), std::string::npos);
    }
}

#include "pelgrin/xml/xml_tree.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "pelgrin/sku/find_element.h"
#include "pelgrin/xml/xml_memory.h"
#include "tests/sku/xml_test_support.h"
#include "tests/support/scratch_dir.h"

using xmlTest::DocumentPtr;
using xmlTest::loadText;
using xmlTest::printed;

namespace {

const char* textOf(XmlDocument* document, const char* path) {
    return findElement(document->root, path, nullptr);
}

}  // namespace

TEST(XmlPrint, TreeWithIndentationAttributesEscapesAndUtf8) {
    testsupport::ScratchDir dir;
    DocumentPtr document = loadText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- dropped -->\n"
        "<VELSKU release=\"A&amp;B\" note='say \"hi\"' ws=\"x&#9;y&#10;z&#13;w\">\n"
        "  <Requirement>\n"
        "    <Pelgrin>  0.22  </Pelgrin>\n"
        "    <WriteSelection/>\n"
        "  </Requirement>\n"
        "  <Vendor lang=\"fr\">Soci\xC3\xA9t\xC3\xA9 &lt;\xC3\x9C&gt; &amp; \xE6\x9D\xB1 "
        "]]&gt;</Vendor>\n"
        "  <?pi dropped?>\n"
        "  <Mixed>lead<Inner>x</Inner>tail</Mixed>\n"
        "  <Data><![CDATA[<b>&</b>]]></Data>\n"
        "  <Blank>  \r\n\t </Blank>\n"
        "  <Cr>a&#13;b</Cr>\n"
        "</VELSKU>\n");
    ASSERT_TRUE(document);
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<VELSKU release=\"A&amp;B\" note=\"say &quot;hi&quot;\" ws=\"x&#9;y&#10;z&#13;w\">\n"
        "   <Requirement>\n"
        "      <Pelgrin>0.22</Pelgrin>\n"
        "      <WriteSelection/>\n"
        "   </Requirement>\n"
        "   <Vendor lang=\"fr\">Soci\xC3\xA9t\xC3\xA9 &lt;\xC3\x9C&gt; &amp; \xE6\x9D\xB1 "
        "]]&gt;</Vendor>\n"
        "   <Mixed>\n"
        "      leadtail\n"
        "      <Inner>x</Inner>\n"
        "   </Mixed>\n"
        "   <Data>&lt;b&gt;&amp;&lt;/b&gt;</Data>\n"
        "   <Blank/>\n"
        "   <Cr>a&#13;b</Cr>\n"
        "</VELSKU>\n";
    EXPECT_EQ(printed(document.get()), expected);
    // What was printed loads back to the same tree: printing it again changes nothing.
    DocumentPtr reloaded = loadText(expected);
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(printed(reloaded.get()), expected);
}

TEST(XmlPrint, DeclarationFormedFromTheInputs) {
    testsupport::ScratchDir dir;
    struct Case {
        std::string input;
        std::string declaration;
    };
    const Case cases[] = {
        {"<R/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"},
        {"<?xml version=\"1.0\"?><R/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"},
        {"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?><R/>",
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"},
        {"<?xml version=\"1.0\" standalone='no'?><R/>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"},
        {"<?xml version=\"1.1\" encoding=\"UTF-8\"?><R/>",
         "<?xml version=\"1.1\" encoding=\"UTF-8\"?>\n"},
    };
    for (const Case& c : cases) {
        DocumentPtr document = loadText(c.input);
        ASSERT_TRUE(document) << c.input;
        EXPECT_EQ(printed(document.get()), c.declaration + "<R/>\n") << c.input;
    }
    // The tree holds UTF-8, so a Latin-1 input is printed, and declared, as UTF-8.
    DocumentPtr latin = loadText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>caf\xE9</R>");
    ASSERT_TRUE(latin);
    EXPECT_EQ(printed(latin.get()),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R>caf\xC3\xA9</R>\n");
}

TEST(XmlLoad, TrimsTextAndKeepsOrder) {
    testsupport::ScratchDir dir;
    DocumentPtr document = loadText(
        "<R b=\"2\" a=\"1\">\n"
        "  <T>  ABC  </T><U>\n\t A  B \r\n</U><V>   \n  </V><W></W>\n"
        "  <K>1</K><K>2</K><K>3</K>\n"
        "</R>");
    ASSERT_TRUE(document);
    XmlElement* root = document->root;
    EXPECT_STREQ(textOf(document.get(), "/R/T"), "ABC");
    EXPECT_STREQ(textOf(document.get(), "/R/U"), "A  B");
    EXPECT_EQ(textOf(document.get(), "/R/V"), nullptr);
    EXPECT_EQ(textOf(document.get(), "/R/W"), nullptr);
    EXPECT_EQ(root->text, nullptr);
    ASSERT_EQ(root->attributeCount, 2u);
    EXPECT_STREQ(root->attributes[0].name, "b");
    EXPECT_STREQ(root->attributes[1].value, "1");
    std::string order;
    for (XmlElement* child = root->firstChild; child; child = child->nextSibling)
        order += std::string(child->name) + (child->text ? child->text : "") + ",";
    EXPECT_EQ(order, "TABC,UA  B,V,W,K1,K2,K3,");
}

TEST(XmlLoad, StreamsFilesLargerThanOneReadChunk) {
    testsupport::ScratchDir dir;
    std::string longText(50000, 'x');
    longText[0] = 'A';
    longText[49999] = 'Z';
    std::string content = "<R><Long>  " + longText + "  </Long>";
    for (int i = 0; i < 3000; ++i)
        content += "<E n=\"" + std::to_string(i) + "\">" + std::to_string(i) + "</E>";
    DocumentPtr document = loadText(content + "</R>");
    ASSERT_TRUE(document);
    EXPECT_EQ(textOf(document.get(), "/R/Long"), longText);
    int count = 0;
    for (XmlElement* e = document->root->firstChild->nextSibling; e; e = e->nextSibling) {
        ASSERT_EQ(std::string(e->text), std::to_string(count));
        ASSERT_EQ(std::string(e->attributes[0].value), std::to_string(count));
        count++;
    }
    EXPECT_EQ(count, 3000);
}

// A stream that cannot be measured before it is read (a pipe) is held to the
// limit as it streams.
TEST(XmlLoad, PipedInputIsHeldToTheLimit) {
    const std::string content = "<R>" + std::string(100000, 'x') + "</R>";
    const struct {
        size_t limit;
        XmlLoadStatus status;
    } cases[] = {{content.size(), XMLTREE_LOADED}, {content.size() - 1, XMLTREE_TOO_LARGE}};
    signal(SIGPIPE, SIG_IGN);  // the loader may close its end first
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        testsupport::ScratchDir dir;
        ASSERT_EQ(mkfifo("piped.xml", 0600), 0);
        std::thread writer([&content] {
            FILE* pipe = fopen("piped.xml", "wb");
            fwrite(content.data(), 1, content.size(), pipe);
            fclose(pipe);
        });
        XmlDocument* document = nullptr;
        EXPECT_EQ(xmlLoadFile("piped.xml", c.limit, &document), c.status);
        writer.join();
        xmlDocumentFree(document);
        EXPECT_EQ(xmlLiveBlocks(), 0u);
    }
}

TEST(XmlLoad, FailuresAreDistinguishedAndLeaveNothingAllocated) {
    testsupport::ScratchDir dir;
    XmlDocument* document = reinterpret_cast<XmlDocument*>(1);
    EXPECT_EQ(xmlLoadFile("absent.xml", 1, &document), XMLTREE_NO_FILE);
    EXPECT_EQ(document, nullptr);
    EXPECT_EQ(xmlLiveBlocks(), 0u);

    std::string nested;
    for (int i = 0; i < 200; ++i)
        nested += "<E a=\"v\">text " + std::to_string(i) + "<F/></E>";
    const std::string malformed[] = {
        "",
        "   \n",
        "<?xml version=\"1.0\"?>",
        "<R>" + nested,           // unclosed after a large partial tree
        "<R>" + nested + "</Q>",  // mismatched end tag
        "<R/><S/>",               // two roots
        "<R a=\"1\" a=\"2\"/>",   // duplicate attribute
        "<R>&undefined;</R>",     // undeclared entity
        "<R>\xC3</R>",            // broken UTF-8
    };
    for (const std::string& content : malformed) {
        XmlLoadStatus status = XMLTREE_LOADED;
        DocumentPtr loaded = loadText(content, &status);
        EXPECT_EQ(status, XMLTREE_MALFORMED) << content.substr(0, 60);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(xmlLiveBlocks(), 0u) << content.substr(0, 60);
    }
}

TEST(XmlTree, SetTextStoresACopyAndPrintsEscaped) {
    testsupport::ScratchDir dir;
    DocumentPtr document = loadText("<R><A>old</A><B>keep<C/></B><D>gone</D></R>");
    ASSERT_TRUE(document);
    XmlElement* a = nullptr;
    XmlElement* b = nullptr;
    XmlElement* d = nullptr;
    findElement(document->root, "/R/A", &a);
    findElement(document->root, "/R/B", &b);
    findElement(document->root, "/R/D", &d);
    char value[] = "a<b>&\"c\"";
    ASSERT_TRUE(xmlSetText(a, value));
    value[0] = 'X';
    ASSERT_TRUE(xmlSetText(b, std::string(300, 'L').c_str()));
    ASSERT_TRUE(xmlSetText(d, ""));
    EXPECT_EQ(printed(document.get()),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R>\n"
              "   <A>a&lt;b&gt;&amp;\"c\"</A>\n"
              "   <B>\n      " +
                  std::string(300, 'L') +
                  "\n      <C/>\n   </B>\n"
                  "   <D/>\n</R>\n");
    xmlFailAllocationAfter(0);
    EXPECT_FALSE(xmlSetText(a, std::string(100, 'y').c_str()));
    xmlFailAllocationAfter(-1);
    EXPECT_STREQ(a->text, "a<b>&\"c\"");
}

TEST(XmlTree, DeepNestingNeedsNoRecursion) {
    testsupport::ScratchDir dir;
    const int depth = 100000;
    std::string content;
    for (int i = 0; i < depth; ++i)
        content += "<E>";
    content += "deep";
    for (int i = 0; i < depth; ++i)
        content += "</E>";
    DocumentPtr document = loadText(content);
    ASSERT_TRUE(document);
    XmlElement* element = document->root;
    int levels = 1;
    while (element->firstChild) {
        element = element->firstChild;
        levels++;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_STREQ(element->text, "deep");
    EXPECT_EQ(textOf(document.get(), "/E/E/E/F"), nullptr);
    document.reset();
    EXPECT_EQ(xmlLiveBlocks(), 0u);
}

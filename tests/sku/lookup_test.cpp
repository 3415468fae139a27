// The path lookup and the version gate.
#include <gtest/gtest.h>

#include <string>

#include "pelgrin/sku/find_element.h"
#include "pelgrin/sku/version_gate.h"
#include "tests/sku/xml_test_support.h"
#include "tests/support/scratch_dir.h"

using xmlTest::DocumentPtr;
using xmlTest::loadText;

namespace {

std::string found(XmlDocument* document, const char* path, std::string* elementText = nullptr) {
    XmlElement* element = reinterpret_cast<XmlElement*>(1);
    const char* text = findElement(document->root, path, &element);
    if (elementText != nullptr)
        *elementText = element ? std::string("<") + element->name + " " +
                                     (element->attributeCount ? element->attributes[0].value : "")
                               : "none";
    return text ? text : "(null)";
}

}  // namespace

TEST(FindElement, DepthFirstFirstWithText) {
    testsupport::ScratchDir dir;
    DocumentPtr document = loadText(
        "<VELSKU>\n"
        "  <FRU><Chassis>wrong</Chassis><ChassisType>17</ChassisType>\n"
        "       <AssetTag id=\"1\">  </AssetTag><AssetTag id=\"2\">TAG2</AssetTag></FRU>\n"
        "  <A><B id=\"b1\"><C id=\"c1\"/><C id=\"c2\">first-B</C></B>\n"
        "     <B id=\"b2\"><C id=\"c3\">second-B</C></B></A>\n"
        "  <Empty><X id=\"x1\"/><X id=\"x2\"></X></Empty>\n"
        "  <FRU><Late>late</Late></FRU>\n"
        "</VELSKU>");
    ASSERT_TRUE(document);
    std::string element;
    EXPECT_EQ(found(document.get(), "/VELSKU/FRU/AssetTag", &element), "TAG2");
    EXPECT_EQ(element, "<AssetTag 2");
    EXPECT_EQ(found(document.get(), "/VELSKU/FRU/ChassisType"), "17");
    // The first B's whole subtree comes before the second B.
    EXPECT_EQ(found(document.get(), "/VELSKU/A/B/C", &element), "first-B");
    EXPECT_EQ(element, "<C c2");
    // None with text: the first match, without text.
    EXPECT_EQ(found(document.get(), "/VELSKU/Empty/X", &element), "(null)");
    EXPECT_EQ(element, "<X x1");
    // A second element of a matched name is searched as well.
    EXPECT_EQ(found(document.get(), "/VELSKU/FRU/Late"), "late");
    // Names are whole and case-sensitive; the start must match the first step.
    const char* missing[] = {"/VELSKU/FRU/Chass",        "/VELSKU/FRU/assettag",
                             "/VELSKU/FRU/AssetTagX",    "/OTHER/FRU/AssetTag",
                             "/VELSKU/Nothing/AssetTag", "/VELSKU/FRU/"};
    for (const char* path : missing) {
        EXPECT_EQ(found(document.get(), path, &element), "(null)") << path;
        EXPECT_EQ(element, "none") << path;
    }
    EXPECT_EQ(found(document.get(), "/VELSKU", &element), "(null)");
    EXPECT_EQ(element, "<VELSKU ");
    EXPECT_EQ(findElement(nullptr, "/VELSKU", nullptr), nullptr);
}

TEST(VersionGate, ValueIsHundredTimesMajorPlusMinorFromThirdCharacter) {
    struct Case {
        const char* required;
        bool older;
    };
    const Case cases[] = {
        {"0.22", false}, {"0.23", true},   {"0.3", false},   {"0.30", true}, {"1.0", true},
        {"0.21", false}, {"0.2", false},   {"0", false},     {"1", true},    {"", false},
        {"10.5", true},  {"0.22a", false}, {" 0.22", false}, {" 1.0", true}, {"-1.0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isVersionOlder("0.22", c.required), c.older) << c.required;
    // "10.5" reads its minor number from the point: 1000, not 1005.
    EXPECT_FALSE(isVersionOlder("10.0", "10.5"));
    EXPECT_TRUE(isVersionOlder("9.99", "10.5"));
}

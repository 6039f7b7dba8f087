#include "util/html_text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>

#include "util/html_entities.h"
#include "util/utf8.h"

namespace tidewick {
namespace {

TEST(DecodeEntities, DecodesWhatIsWellFormedAndKeepsTheRestAsWritten) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"Tom &amp; Jerry", "Tom & Jerry"},
      {"&quot;&apos;&lt;&gt;", "\"'<>"},
      {"&#X43;&#x00044;&#0069;", "CDE"},
      {"&#x20AC;", "\xE2\x82\xAC"},
      {"&#x92;&#150;", "\xE2\x80\x99\xE2\x80\x93"},  // Windows-1252 numbers name its characters
      {"&#129;", "\xC2\x81"},
      {"&#1;", "\x01"},
      {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
      {"&amp;amp;", "&amp;"},
      {"&&amp;", "&&"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e &amp; mehr",
       "Gr\xC3\xBC\xC3\x9F"
       "e & mehr"},
      // Kept as written.
      {"&Amp;", "&Amp;"},
      {"&#0;", "&#0;"},
      {"&#xD800;", "&#xD800;"},
      {"&#x110000;", "&#x110000;"},
      {"&#99999999999999999999;", "&#99999999999999999999;"},
      {"&#;", "&#;"},
      {"&#12a;", "&#12a;"},
      {"&#x 41;", "&#x 41;"},
      {"&unknown;", "&unknown;"},
      {"&amp", "&amp"},
      {"a & b", "a & b"},
      {"&CounterClockwiseContourIntegralX;", "&CounterClockwiseContourIntegralX;"},  // ";" beyond the longest name
      {"&                                  amp;", "&                                  amp;"},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(DecodeEntities(input), expected) << input;
}

TEST(DecodeEntities, DecodesEveryHtml5Name) {
  const auto entities = HtmlEntities();
  ASSERT_EQ(entities.size(), 2125u);
  EXPECT_TRUE(std::is_sorted(entities.begin(), entities.end(),
                             [](const THtmlEntity& a, const THtmlEntity& b) { return a.Name < b.Name; }));
  for (const THtmlEntity& entity : entities) {
    ASSERT_LE(entity.Name.size(), kLongestEntityName);
    EXPECT_EQ(DecodeEntities("<&" + std::string(entity.Name) + ";>"), "<" + std::string(entity.Text) + ">")
        << entity.Name;
  }
}

TEST(EntityToText, LooksUpOneBody) {
  EXPECT_EQ(EntityToText("amp"), "&");
  EXPECT_EQ(EntityToText("#x41"), "A");
  EXPECT_EQ(EntityToText("Amp"), "");
  EXPECT_EQ(EntityToText(""), "");
  EXPECT_EQ(EntityToText("#"), "");
}

std::string Utf8Of(char32_t codePoint) {
  std::string text;
  AppendUtf8(text, codePoint);
  return text;
}

// Every row of the classic table still decodes, by name and by number, to the character of its byte.
TEST(EntityTable, EveryRowDecodesToItsCharacter) {
  BuildEntityTable();
  const TEntityTable& table = EntityTable();
  for (int byte = 1; byte < 256; ++byte) {
    const TEntityRow& row = table[byte];
    EXPECT_EQ(row.Character, Windows1252ToCodePoint(static_cast<unsigned char>(byte)));
    EXPECT_EQ(DecodeEntities(row.Numeric), Utf8Of(row.Character)) << byte;
    if (!row.Named.empty()) {
      EXPECT_EQ(DecodeEntities(row.Named), Utf8Of(row.Character)) << byte;
    }
  }
  EXPECT_EQ(DecodeEntities(table[0].Numeric), "&#0;");
}

TEST(HtmlToText, GivesPlainText) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      // Each form of line break is replaced in turn.
      {"Line<br />\r\nNext", "Line\r\nNext"},
      {"Line<br>\r\nNext", "Line\r\nNext"},
      {"Line\r\n<br>Next", "Line\r\nNext"},
      {"Line\r\n<BR />Next", "Line\r\nNext"},
      {"a<br>b<BR>c<Br />d", "a\r\nb\r\nc\r\nd"},
      {"a<br/>b", "a<br/>b"},
      {"a<br><br><br><br>b", "a\r\n\r\nb"},
      {"a<br>\r\n<br>b", "a\r\nb"},
      // Known tags go, whatever their case and attributes; others stay.
      {"<P>Hello <b>World</b></p>", "Hello World"},
      {"<a href=\"x\">link</a> text", "link text"},
      {"<blockquote>q</blockquote><center>c</center><pre>p</pre><strong>s</strong><i>i</"
       "i><u>u</u><table><tr><td>t</td></tr></table>",
       "qcpsiut"},
      {"<DIV>a</DIV><img src=x>", "a"},
      {"<p>a</p>\r\n\r\n\r\n<p>b</p>\r\n\r\n\r\n\r\n", "a\r\n\r\nb\r\n\r\n"},
      {"<div>a > b</div>", "a  b"},
      {"<b>open <i", "open "},
      {"&amp; <b>x</b>", "&amp; x"},
      {"x < y", "x < y"},
      {"<em>only</em>", "<em>only</em>"},
      {"<abbr>a</abbr> <bx>", "<abbr>a</abbr> <bx>"},
      {"<a\nhref=x>y</a>", "<a\nhref=x>y</a>"},
      // What is no text to read goes with its content, markup in a script's strings included.
      {"<p>Hi</p><script>document.write(\"<h1>PWNED BY SCRIPT</h1>\")</script>", "Hi"},
      {"<b>x</b><STYLE type=\"text/css\">body{background:red}</STYLE >y", "xy"},
      {"<p>a</p><noscript><img src=x>Enable</noscript><template><p>t</p></template>b", "ab"},
      {"<i>a</i><iframe src=u>fallback</iframe><object><object>x</object>y</object>z", "az"},
      {"<b>a</b><script>never closed <p>x", "a"},
      {"<b>a</b><scripts>b</scripts><Style/>c</style>d", "abd"},
      {"<b>a</b><script>x</scriptx>y</script>z", "az"},
      {"a <script> b", "a <script> b"},  // no markup: plain text stays as written
      {"", ""},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(HtmlToText(input), expected) << input;
}

// On screen, blocks begin new lines: a list must not read "OneTwo". Inline tags still join their words.
TEST(HtmlToDisplayText, SetsBlocksOnLinesOfTheirOwn) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"<p>Hello <b>World</b></p>", "Hello World"},
      {"<p>Points:</p>\n<UL>\n  <li class=x>One</li>\n  <li>Two</li>\n</ul>\n", "Points:\r\nOne\r\nTwo"},
      {"<div>a</div>b<br>c<h2>d</h2><table><tr><td>e</td><td>f</td></tr><tr><td>g</td></tr></table>",
       "a\r\nb\r\nc\r\nd\r\nef\r\ng"},
      {"<p>in<i>line</i> <a href=\"x\">link</a></p>", "inline link"},
      {"<p>a</p>\r\n\r\n\r\n<p>b</p>", "a\r\nb"},
      {"<para>x</para><pre>y</pre>", "x\r\ny"},  // "para" is no paragraph
      {"no <li>markup test passed", "no <li>markup test passed"},
      {"<p>a</p><style>p {}</style>\n<p>b</p>", "a\r\nb"},
  };
  for (const auto& [input, expected] : cases)
    EXPECT_EQ(HtmlToDisplayText(input), expected) << input;
}

// Replacing three line breaks by two until none are left, the plain way.
std::string ShrinkByRepeatedReplace(std::string text) {
  const std::string three = "\r\n\r\n\r\n";
  while (text.find(three) != std::string::npos) {
    std::string next;
    std::size_t pos = 0;
    for (std::size_t found = text.find(three); found != std::string::npos; found = text.find(three, pos)) {
      next.append(text, pos, found - pos).append("\r\n\r\n");
      pos = found + three.size();
    }
    text = next.append(text, pos);
  }
  return text;
}

TEST(HtmlToText, ShrinksBlankLinesLikeRepeatedReplacing) {
  std::mt19937 random(42);
  const char alphabet[] = {'\r', '\n', 'x'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 24, ' ');
    for (char& c : text) {
      c = alphabet[random() % 3];
    }
    ASSERT_EQ(HtmlToText(text), ShrinkByRepeatedReplace(text)) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace tidewick

#include "web/feed_discovery.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "web/feed_discovery_url.h"

namespace tidewick {
namespace {

struct TResolveCase {
  const char* Reference;
  const char* Base;
  const char* Expected;  // nullptr: refused
};

// Addresses as pages write them, read as browsers read them; every refused row is a way to reach something other than
// a web feed.
TEST(ResolveWebAddress, CompletesReferencesAsBrowsersDo) {
  const TResolveCase cases[] = {
      {"a/./b/../../../../feed", "http://h.example/x/../dir/", "http://h.example/feed"},
      {"", "http://h.example/x/../p?q=1#top", "http://h.example/p?q=1"},
      {"http:///h.example/../feed", "http://other.example/", "http://h.example/feed"},
      {"http:a:b", "http://h.example/dir/", "http://h.example/dir/a:b"},
      {"#comments", "http://h.example/blog/?p=1", "http://h.example/blog/?p=1"},
      {"http:feed.xml", "http://h.example/dir/page", "http://h.example/dir/feed.xml"},
      {"HTTPS://Example.ORG:8443/Atom", "http://h.example/", "https://example.org:8443/Atom"},
      {"http://h.example", "http://other.example/", "http://h.example/"},
      {"http://[::1]:8080/f", "http://h.example/", "http://[::1]:8080/f"},
      {"http://user@h.example/f", "http://h.example/", "http://user@h.example/f"},
      {"http://h.example:/f", "http://h.example/", "http://h.example/f"},
      {" \t/f\need.xml \n", "http://h.example/", "http://h.example/feed.xml"},
      {"/news feed \"1\".xml?q=\xC3\xA4 <b>", "http://h.example/",
       "http://h.example/news%20feed%20%221%22.xml?q=%C3%A4%20%3Cb%3E"},
      {"\\\\evil.example\\feed", "http://h.example/", "http://evil.example/feed"},
      {"javascript:alert(1)", "http://h.example/", nullptr},
      {"java\nscript:alert(1)", "http://h.example/", nullptr},
      {"data:application/rss+xml,<rss/>", "http://h.example/", nullptr},
      {"file:///etc/passwd", "http://h.example/", nullptr},
      {"ftp://h.example/feed", "http://h.example/", nullptr},
      {"feed.xml", "file:///home/me/page.html", nullptr},
      {"feed.xml", "not an address", nullptr},
      {"http://h.example:99999/", "http://h.example/", nullptr},
      {"http://h.example:80x/", "http://h.example/", nullptr},
      {"http://h ex<ample/", "http://h.example/", nullptr},
      {"http://[::1/", "http://h.example/", nullptr},
      {"http:///", "http://h.example/", nullptr},
      {"//", "http://h.example/", nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> resolved = ResolveWebAddress(c.Reference, c.Base);
    if (c.Expected == nullptr)
      EXPECT_FALSE(resolved) << c.Reference << " gave " << resolved.value_or("");
    else
      EXPECT_EQ(resolved.value_or("(refused)"), c.Expected) << c.Reference;
  }
}

constexpr const char* kPage = "https://site.example/blog/index.html";

struct TDiscoveryCase {
  const char* Name;
  std::string Page;
  std::vector<TDiscoveredFeed> Expected;
};

std::string Head(const std::string& links) {
  return "<!DOCTYPE html><html><head><title>Blog</title>" + links + "</head><body><p>Hello</p></body></html>";
}

std::string Rss(const std::string& href, const std::string& title = "Feed") {
  return "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" + title + "\" href=\"" + href + "\">";
}

class DiscoverFeedsTable : public testing::TestWithParam<TDiscoveryCase> {};

TEST_P(DiscoverFeedsTable, FindsTheFeedsAPageNames) {
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(GetParam().Page, kPage);
  ASSERT_EQ(found.size(), GetParam().Expected.size()) << GetParam().Page;
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].Address, GetParam().Expected[i].Address) << i;
    EXPECT_EQ(found[i].Title, GetParam().Expected[i].Title) << i;
  }
}

const TDiscoveryCase kDiscoveryCases[] = {
    {"AllThreeTypesInOrder",
     Head(Rss("/feed/", "Posts") + "<link rel=alternate type=application/atom+xml href=atom.xml title='Posts (Atom)'>"
                                   "<link type=\"application/rdf+xml\" href=\"/index.rdf\" rel=\"alternate\">"),
     {{"https://site.example/feed/", "Posts"},
      {"https://site.example/blog/atom.xml", "Posts (Atom)"},
      {"https://site.example/index.rdf", ""}}},
    {"AnyCaseAnyQuotingRelAsAList",
     Head("<LINK TYPE='Application/RSS+XML; charset=utf-8' HREF=/a.xml REL=\"Feed  ALTERNATE\">"
          "<link rel=\"alternate\nfeed\" type=\" application/atom+xml \" href=\"/b.xml\">"),
     {{"https://site.example/a.xml", ""}, {"https://site.example/b.xml", ""}}},
    {"OnlyFeedTypesAndAlternateLinks",
     Head("<link rel=\"alternate stylesheet\" type=\"text/css\" href=\"/dark.css\">"
          "<link rel=\"alternate\" hreflang=\"de\" href=\"/de/\">"
          "<link rel=\"alternate\" type=\"text/html\" href=\"/print/\">"
          "<link rel=\"alternate\" type=\"application/json+oembed\" href=\"/oembed\">"
          "<link rel=\"stylesheet\" type=\"application/rss+xml\" href=\"/not-alternate.xml\">"
          "<link rel=\"alternates\" type=\"application/rss+xml\" href=\"/no-token.xml\">"
          "<link rel=\"alternate\" href=\"/untyped.xml\">" +
          Rss("/real.xml")),
     {{"https://site.example/real.xml", "Feed"}}},
    {"HostileAddressesAreDropped",
     Head(Rss("javascript:alert(1)") + Rss("  JavaScript:alert(1)") + Rss("&#106;avascript:alert(1)") +
          Rss("data:application/rss+xml;base64,PHJzcy8+") + Rss("file:///etc/passwd") + Rss("ftp://site.example/f") +
          Rss("http://bad host/") + "<link rel=alternate type=application/rss+xml>" + Rss("/ok.xml", "Ok")),
     {{"https://site.example/ok.xml", "Ok"}}},
    {"DuplicatesKeepTheFirstTitle",
     Head(Rss("/feed", "First") + Rss("https://SITE.example/feed#x", "Second") + Rss("../feed", "Third") +
          Rss("/other", "Other")),
     {{"https://site.example/feed", "First"}, {"https://site.example/other", "Other"}}},
    {"ALinkToThePageItselfIsNoFeed", Head(Rss("") + Rss("#top") + Rss("index.html")), {}},
    {"RelativeAndProtocolRelative",
     Head(Rss("//cdn.example/f.xml", "Cdn") + Rss("?feed=rss2", "Query") + Rss("../up.xml", "Up")),
     {{"https://cdn.example/f.xml", "Cdn"},
      {"https://site.example/blog/index.html?feed=rss2", "Query"},
      {"https://site.example/up.xml", "Up"}}},
    {"EntitiesAreDecoded",
     Head(Rss("/f?a=1&amp;b=2&#38;c=&#x33;", "Caf&eacute; &amp; more")),
     {{"https://site.example/f?a=1&b=2&c=3", "Caf\xC3\xA9 & more"}}},
    {"BaseHrefAppliesToEveryLink",
     "<html><head>" + Rss("before.xml", "Before") +
         "<base href=\"https://cdn.example/b/\"><base href=\"https://ignored.example/\">" + Rss("after.xml", "After") +
         "</head></html>",
     {{"https://cdn.example/b/before.xml", "Before"}, {"https://cdn.example/b/after.xml", "After"}}},
    {"RelativeBaseIsResolvedAgainstThePage",
     Head("<base href=\"/sub/\">" + Rss("f.xml")),
     {{"https://site.example/sub/f.xml", "Feed"}}},
    {"NonWebBaseIsIgnored",
     Head("<base href=\"javascript:void(0)/\">" + Rss("f.xml")),
     {{"https://site.example/blog/f.xml", "Feed"}}},
    {"NoHeadAtAll",
     "<link rel=alternate type=application/rss+xml href=f.xml title=Bare>",
     {{"https://site.example/blog/f.xml", "Bare"}}},
    {"LinksInTheBodyComeAfterTheHead",
     "<html><head>" + Rss("/head.xml", "Head") + "</head><body><div><p>" + Rss("/body.xml", "Body") +
         "</p></div></body></html>",
     {{"https://site.example/head.xml", "Head"}, {"https://site.example/body.xml", "Body"}}},
    {"MarkupThatIsNotAnElement",
     Head("<!-- " + Rss("/comment.xml") + " --><script>document.write('" + Rss("/script.xml") + "')</script><style>/*" +
          Rss("/style.xml") + "*/</style><template>" + Rss("/template.xml") + "</template><title>" + Rss("/title.xml") +
          "</title>") +
         "<textarea>" + Rss("/textarea.xml") +
         "</textarea><svg><link rel=alternate type=application/rss+xml "
         "href=/svg.xml /></svg><plaintext>" +
         Rss("/plaintext.xml"),
     {}},
    {"TitlesOnOneLine",
     Head(Rss("/f.xml", "  Line one\n\tline\r\ntwo  ")),
     {{"https://site.example/f.xml", "Line one line two"}}},
    {"DeclaredLatin1",
     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">" +
         Rss("/caf\xE9.xml", "Caf\xE9 \x93news\x94") + "</head></html>",
     {{"https://site.example/caf%C3%A9.xml", "Caf\xC3\xA9 \xE2\x80\x9Cnews\xE2\x80\x9D"}}},
    {"UndeclaredStrayBytesReadAsWindows1252",
     Head(Rss("/f.xml", "Caf\xE9 na\xC3\xAFve")),
     {{"https://site.example/f.xml", "Caf\xC3\xA9 na\xC3\xAFve"}}},
    {"NotHtmlAtAll", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR", {}},
    {"Empty", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Pages, DiscoverFeedsTable, testing::ValuesIn(kDiscoveryCases),
                         [](const testing::TestParamInfo<TDiscoveryCase>& info) { return info.param.Name; });

// Only the start of a huge page is read: its head's feed is found, one after the limit is not.
TEST(DiscoverFeeds, ReadsOnlyTheStartOfAHugePage) {
  std::string page = Head(Rss("/head.xml"));
  page.insert(page.find("</body>"), std::string(kMaxDiscoveryPageBytes, 'x') + Rss("/late.xml"));
  page += std::string(size_t{8} * 1024 * 1024, ' ');
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(page, kPage);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Address, "https://site.example/head.xml");
}

// Regression guard: the parser's time grows with the square of the nesting depth, so a page of nothing but nested
// elements is read only up to the tag limit (and must end, not freeze the dialog's worker or the command).
TEST(DiscoverFeeds, AbsurdlyNestedPagesAreCutAtTheTagLimit) {
  std::string page = "<html><head>" + Rss("/head.xml") + "</head><body>";
  for (size_t i = 0; i < kMaxDiscoveryTags * 3; ++i)
    page += "<div>";
  page += Rss("/deep.xml");
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(page, kPage);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Address, "https://site.example/head.xml");
}

TEST(DiscoverFeeds, BoundsTheCountAndTheTitles) {
  std::string links;
  for (size_t i = 0; i < kMaxDiscoveredFeeds + 20; ++i)
    links += Rss("/f" + std::to_string(i) + ".xml", std::string(kMaxDiscoveredTitleChars + 50, 'a') + " b");
  const std::vector<TDiscoveredFeed> found = DiscoverFeeds(Head(links), kPage);
  ASSERT_EQ(found.size(), kMaxDiscoveredFeeds);
  EXPECT_EQ(found.back().Address, "https://site.example/f" + std::to_string(kMaxDiscoveredFeeds - 1) + ".xml");
  EXPECT_EQ(found[0].Title, std::string(kMaxDiscoveredTitleChars, 'a'));

  // Cut by characters, never inside one.
  const std::string euro = "\xE2\x82\xAC";
  std::string title;
  for (size_t i = 0; i < kMaxDiscoveredTitleChars + 5; ++i)
    title += euro;
  const std::vector<TDiscoveredFeed> euros = DiscoverFeeds(Head(Rss("/e.xml", title)), kPage);
  ASSERT_EQ(euros.size(), 1u);
  EXPECT_EQ(euros[0].Title.size(), kMaxDiscoveredTitleChars * euro.size());
}

}  // namespace
}  // namespace tidewick

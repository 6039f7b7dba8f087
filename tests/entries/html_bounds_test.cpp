#include "entries/html_bounds.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace tidewick {
namespace {

struct TCase {
  std::string html;
  std::string bounded;
};

TEST(BoundedHtml, WritesWhatABrowserBuildsWellFormed) {
  const TCase cases[] = {
      {"<p>Hi <b>bold</b> &amp; <A HREF=\"https://x/?a=1&amp;b=2\" title='T'>l</a></p>",
       "<p>Hi <b>bold</b> &amp; <a href=\"https://x/?a=1&amp;b=2\" title=\"T\">l</a></p>"},
      {"<img src=x alt=\"a > b\"><br/>caf\xC3\xA9", "<img src=\"x\" alt=\"a &gt; b\"><br>caf\xC3\xA9"},
      // The end tags a browser implies, written out.
      {"<ul><li>one<li>two</ul>", "<ul><li>one</li><li>two</li></ul>"},
      {"<p>a<p>b<div>c</div>", "<p>a</p><p>b</p><div>c</div>"},
      {"<dl><dt>t<dd>d<dt>u</dl>", "<dl><dt>t</dt><dd>d</dd><dt>u</dt></dl>"},
      {"<li>a<ul><li>b</ul>", "<li>a<ul><li>b</li></ul></li>"},
      {"<table><tr><td>a<td>b<tr><th>c</table>", "<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>"},
      {"<a href=1>x<a href=2>y</a>", "<a href=\"1\">x</a><a href=\"2\">y</a>"},
      {"<h1>a<h2>b</h2>", "<h1>a</h1><h2>b</h2>"},
      // Stray and crossed end tags.
      {"</b>a<i>b", "a<i>b</i>"},
      {"<div><span>x</div>y</span>", "<div><span>x</span></div>y"},
      {"<table><tr><td><b>x</td></tr></table></b>", "<table><tr><td><b>x</b></td></tr></table>"},
      // Tokens as a browser reads them.
      {"<a title=\"x>y\" href=u>l</a>", "<a title=\"x&gt;y\" href=\"u\">l</a>"},
      {"a < b <3 </>c", "a &lt; b &lt;3 c"},
      {"<!-- <div> -->c<!DOCTYPE html><?php x ?><!-->d", "cd"},
      {"<div a=1 A=2 data-x=\"q&quot;\" @click=f>", "<div a=\"1\" data-x=\"q&quot;\"></div>"},
      {"<div\" x>t<b title=\"never closed>text", "t"},
      {"<HTML><body><frameset>x</body>", "x"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(BoundedHtml(c.html), c.bounded) << c.html;
  }
}

// What is no content to read goes whole, whatever it holds: a script's strings are no markup.
TEST(BoundedHtml, DropsScriptsStylesFramesAndPlugInsWithTheirContent) {
  const TCase cases[] = {
      {"<p>a</p><script>document.write(\"<h1>PWNED BY SCRIPT</h1>\")</script>b", "<p>a</p>b"},
      {"<STYLE type=text/css>body{background:red}</STYLE >c", "c"},
      {"<noscript><img src=x>Enable</noscript><template><p>t<template>u</template>v</template>w", "w"},
      {"<iframe src=u><p>fallback</p></iframe><object><object>x</object>y</object>z", "z"},
      {"<object><script>\"</object>\"</script></object>o", "o"},
      {"<embed src=x.swf><param name=p>e", "e"},
      {"<textarea><div><div></textarea><title>t</title>x<xmp><b></xmp>", "x"},
      {"<script>never closed <p>x", ""},
      {"<scripts>kept</scripts>", "<scripts>kept</scripts>"},
      {"<plaintext></plaintext>gone", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(BoundedHtml(c.html), c.bounded) << c.html;
  }
}

// The deepest nesting of well-formed output (void elements never open).
int DepthOf(const std::string& html) {
  int depth = 0;
  int deepest = 0;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    const std::string_view tag = std::string_view(html).substr(at + 1, 3);
    if (tag.starts_with('/')) {
      --depth;
    } else if (!tag.starts_with("br>") && !tag.starts_with("img")) {
      deepest = std::max(deepest, ++depth);
    }
  }
  EXPECT_EQ(depth, 0) << "not well formed";
  return deepest;
}

// Beyond the bounds, elements lose their tags, but their text stays readable: a line break where a block or a row
// began, a blank where a cell did.
TEST(BoundedHtml, ElementsBeyondTheBoundsKeepOnlyTheirText) {
  const THtmlBounds bounds{
      .MaxDepth = 3, .MaxElements = 9, .MaxTableDepth = 1, .NestedTableWork = 0, .MaxAttributes = 2};
  const TCase cases[] = {
      {"<div><div><div><div>deep</div></div></div></div>after", "<div><div><div>deep</div></div></div>after"},
      {"<table><tr><td><table><tr><td>in</td><td>2</td></tr></table>x</td></tr></table>",
       "<table><tr><td> in 2x</td></tr></table>"},
      {"<p a=1 b=2 c=3 d=4>", "<p a=\"1\" b=\"2\"></p>"},
      {"<ul><li><ul><li>a<li>b</ul><li>c</ul>", "<ul><li><ul>a<br>b</ul></li><li>c</li></ul>"},
      {"<p>1</p><p>2</p><p>3</p><p>4</p><p>5</p><p>6</p><p>7</p><p>8</p><p>9</p><p>10</p><b>11</b><br>12",
       "<p>1</p><p>2</p><p>3</p><p>4</p><p>5</p><p>6</p><p>7</p><p>8</p><p>9</p>1011 12"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(BoundedHtml(c.html, bounds), c.bounded) << c.html;
  }
  // Tables inside tables keep their tags while their content is small; past that, from where it ran out.
  const std::string nested = "<table><tr><td>a<table><tr><td>b</td></tr></table>";
  EXPECT_EQ(BoundedHtml(nested + "<table><tr><td>c</td></tr></table></td></tr></table>", {.NestedTableWork = 64}),
            "<table><tr><td>a<table><tr><td>b</td></tr></table> c</td></tr></table>");
  // Hostile nesting of every kind stays within the default bounds.
  for (const std::string open : {"<ul><li>", "<div>", "<dl><dd>", "<blockquote>", "<b>", "<table><tr><td>", "<p><q>",
                                 "<a href=x><span>", "<li>", "<font>"}) {
    std::string html;
    for (int i = 0; i < 20000; ++i) {
      html += open;
    }
    EXPECT_LE(DepthOf(BoundedHtml(html + "x")), THtmlBounds{}.MaxDepth) << open;
  }
}

}  // namespace
}  // namespace tidewick

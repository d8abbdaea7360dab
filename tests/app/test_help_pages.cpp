// The help pages as files: every page is reachable from the contents, every link and picture
// names a page and a place that exist, and the quoted messages read as one run of text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zelko::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kHelp = ZELKO_HELP_SOURCE_DIR;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Pages() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kHelp))
    if (e.path().extension() == ".htm") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The values of attr="..." in the page, for the attributes named by the pattern.
std::vector<std::string> AttributeValues(const std::string& html, const char* attributes) {
  const std::regex re(std::string("\\b(?:") + attributes + ")\\s*=\\s*\"([^\"]*)\"",
                      std::regex::icase);
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), re); it != std::sregex_iterator();
       ++it)
    out.push_back((*it)[1].str());
  return out;
}

std::set<std::string> Anchors(const std::string& html) {
  const auto names = AttributeValues(html, "name|id");
  return {names.begin(), names.end()};
}

bool External(const std::string& link) {
  return link.rfind("http:", 0) == 0 || link.rfind("https:", 0) == 0 ||
         link.rfind("mailto:", 0) == 0;
}

TEST(HelpPages, EveryPageIsInTheContentsAndEveryLinkLeadsSomewhere) {
  const std::vector<std::string> pages = Pages();
  ASSERT_FALSE(pages.empty());
  ASSERT_TRUE(fs::exists(kHelp / "index.htm"));
  std::map<std::string, std::string> html;
  for (const std::string& p : pages) html[p] = ReadText(kHelp / p);

  std::set<std::string> fromContents;
  for (const std::string& link : AttributeValues(html["index.htm"], "href"))
    fromContents.insert(link.substr(0, link.find('#')));
  for (const std::string& p : pages)
    if (p != "index.htm")
      EXPECT_TRUE(fromContents.count(p)) << p << " is not linked from index.htm";

  for (const std::string& page : pages) {
    for (const std::string& link : AttributeValues(html[page], "href|src")) {
      if (External(link)) continue;
      const auto hash = link.find('#');
      const std::string file = link.substr(0, hash);
      const std::string target = file.empty() ? page : file;
      if (!fs::exists(kHelp / target)) {
        ADD_FAILURE() << page << ": " << link << " names no file in help/";
        continue;
      }
      if (hash == std::string::npos) continue;
      const std::string anchor = link.substr(hash + 1);
      const std::string text = html.count(target) ? html[target] : ReadText(kHelp / target);
      EXPECT_TRUE(Anchors(text).count(anchor)) << page << ": " << link << " names no place";
    }
  }
}

// Every page opens with the same navigation line: the contents, then every other page in the
// order the contents list them, so a page added to the contents is reachable from all the rest.
TEST(HelpPages, EveryPageOpensWithTheNavigationLineOfTheContents) {
  const std::string index = ReadText(kHelp / "index.htm");
  const auto tableStart = index.find("<table");
  const auto tableEnd = index.find("</table>", tableStart);
  ASSERT_NE(tableEnd, std::string::npos);
  std::vector<std::string> contents;
  for (const std::string& link :
       AttributeValues(index.substr(tableStart, tableEnd - tableStart), "href")) {
    const std::string file = link.substr(0, link.find('#'));
    if (std::find(contents.begin(), contents.end(), file) == contents.end())
      contents.push_back(file);
  }
  ASSERT_GE(contents.size(), 10u);

  for (const std::string& page : Pages()) {
    if (page == "index.htm") continue;
    const std::string html = ReadText(kHelp / page);
    const auto start = html.find("<p><a href=\"index.htm\">");
    ASSERT_NE(start, std::string::npos) << page << " has no navigation line";
    const std::string line = html.substr(start, html.find("</p>", start) - start);
    std::vector<std::string> expected{"index.htm"};
    for (const std::string& p : contents)
      if (p != page) expected.push_back(p);
    EXPECT_EQ(AttributeValues(line, "href"), expected) << page;
  }
}

// The line break inside a quoted text (a message's own, or any other), or "" when there is none.
std::string BreakInsideQuote(const std::string& html) {
  const std::string open = "「", close = "」";
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html.compare(i, open.size(), open) == 0) {
      if (depth++ == 0) start = i;
    } else if (html.compare(i, close.size(), close) == 0) {
      depth = std::max(0, depth - 1);
    } else if (html.compare(i, 5, "</td>") == 0 || html.compare(i, 4, "</p>") == 0 ||
               html.compare(i, 5, "</li>") == 0) {
      depth = 0;  // a quote never runs on past its paragraph or cell
    } else if (depth > 0 && (html.compare(i, 3, "<br") == 0 || html.compare(i, 3, "<BR") == 0)) {
      return html.substr(start, i + 4 - start);
    }
  }
  return {};
}

// A message's own line break belongs to its box: inside running text it would break the quoted
// sentence wherever the window happens to be. No page fixes a width either, so every line
// wraps at the viewer's edge.
TEST(HelpPages, QuotedTextsAreNotBrokenAndNothingHasAFixedWidth) {
  EXPECT_EQ(BreakInsideQuote("<p>「一つ。<br>二つ。」</p>"), "「一つ。<br>");
  EXPECT_EQ(BreakInsideQuote("<p>「一つ。」<br>「二つ。」</p>"), "");
  const std::regex fixedWidth("\\b(?:width\\s*[=:]|nowrap\\b|white-space)", std::regex::icase);
  for (const std::string& page : Pages()) {
    const std::string text = ReadText(kHelp / page);
    EXPECT_EQ(BreakInsideQuote(text), "") << page;
    // A picture's width scales the picture, not the text around it.
    const std::string words = std::regex_replace(text, std::regex("<img[^>]*>"), "");
    std::smatch m;
    EXPECT_FALSE(std::regex_search(words, m, fixedWidth)) << page << ": " << m.str();
  }
}

// The texts a user reads outside the window: the help pages, the README, the desktop entry, the
// store text and the man pages.
std::vector<fs::path> ReaderTexts() {
  const fs::path root = kHelp.parent_path();
  std::vector<fs::path> files;
  for (const std::string& p : Pages()) files.push_back(kHelp / p);
  files.push_back(root / "README.md");
  for (const auto& e : fs::directory_iterator(root / "dist")) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".desktop") || name.ends_with(".metainfo.xml.in") || name.ends_with(".1"))
      files.push_back(e.path());
  }
  return files;
}

// Where a word is used in place of another: "word (use instead)", or "" when it is not.
std::string FirstRetired(std::string text, bool glossary) {
  // The window's messages keep their own spelling, and the pages quote them as they are.
  for (const char* quoted : {"座標変換式を設定してください"}) {
    for (auto at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at))
      text.erase(at, std::string(quoted).size());
  }
  struct Word {
    const char* retired;
    const char* use;
  };
  static const Word kEverywhere[] = {
      {"色調整", "色補正"},
      {"グループの種類", "ポイントの種類"},
      {"見本", "サンプル"},
      {"ください", "下さい"},
      {"正しい値との比べ", "正しい値との比較"},
      {"8 ビット カラー", "24 ビット カラー"},
      // A menu as the user sees it, without the mnemonic's ampersand.
      {"(&", "(F)"},
  };
  // Other programs' names for the same things: only the glossary gives them.
  static const Word kOutsideTheGlossary[] = {
      {"カラーバランス", "色補正"}, {"シンボル", "記号"},     {"基準点", "マーカー"},
      {"実座標", "物理座標"},       {"座標格子", "グリッド"}, {"カテゴリー", "分類"},
  };
  for (const Word& w : kEverywhere)
    if (text.find(w.retired) != std::string::npos)
      return std::string(w.retired) + " (" + w.use + ")";
  if (!glossary)
    for (const Word& w : kOutsideTheGlossary)
      if (text.find(w.retired) != std::string::npos)
        return std::string(w.retired) + " (" + w.use + ")";
  const std::string folder = "フォルダ", longVowel = "ー";
  for (auto at = text.find(folder); at != std::string::npos; at = text.find(folder, at + 1))
    if (text.compare(at + folder.size(), longVowel.size(), longVowel) != 0)
      return "フォルダ (フォルダー)";
  return {};
}

TEST(Vocabulary, EachThingHasOneNameInTheHelpTheReadmeAndTheDesktopTexts) {
  EXPECT_EQ(FirstRetired("フォルダーのフォルダ", false), "フォルダ (フォルダー)");
  EXPECT_EQ(FirstRetired("「座標変換式を設定してください。」を見て下さい", false), "");
  EXPECT_EQ(FirstRetired("基準点", true), "");
  const std::vector<fs::path> files = ReaderTexts();
  ASSERT_GE(files.size(), 15u);
  for (const fs::path& f : files)
    EXPECT_EQ(FirstRetired(ReadText(f), f.filename() == "Glossary.htm"), "") << f;
}

// The glossary gives what GIS calls the window's words, each in the row of the word it explains.
TEST(Vocabulary, TheGlossaryNamesTheGisTermsBesideTheWindowsWords) {
  const std::string glossary = ReadText(kHelp / "Glossary.htm");
  const std::regex row("<tr[^>]*><td>(?:<a name=\"[a-z]+\"></a>)?([^<]*)</td>.*?</tr>");
  std::map<std::string, std::string> rows;
  for (auto it = std::sregex_iterator(glossary.begin(), glossary.end(), row);
       it != std::sregex_iterator(); ++it)
    rows[(*it)[1].str()] = (*it)[0].str();
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected{
      {"マーカー", {"基準点", "GCP"}},
      {"物理座標", {"実座標", "地図座標"}},
      {"座標変換（変換式）", {"座標変換"}},
      {"グリッド", {"座標格子"}},
      {"分類", {"カテゴリー"}},
  };
  for (const auto& [word, others] : expected) {
    ASSERT_TRUE(rows.count(word)) << word << " has no row in the glossary";
    for (const std::string& other : others)
      EXPECT_NE(rows[word].find(other), std::string::npos) << word << " lacks " << other;
  }
}

}  // namespace
}  // namespace zelko::testing

// The search walks and the Find and Replace commands over an editing session.
#include "ide/editor/literal_finder.h"
#include "ide/editor/searcher.h"
#include "editor_fixture.h"

#include <deque>

namespace vyn::editor::testing {
namespace {

class ScriptedSearchHost : public SearchHost {
public:
    std::vector<std::string> told;
    std::deque<ReplaceAnswer> answers;
    std::vector<Position> asked_at;  // the selected match's start at each question

    void tell(const std::string& message) override { told.push_back(message); }
    ReplaceAnswer confirm_replace(View& view) override
    {
        asked_at.push_back(std::min(*view.anchor, view.cursor));
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected confirmation";
            return ReplaceAnswer::cancel;
        }
        ReplaceAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

Document document_of(const std::vector<std::string>& lines)
{
    Document document;
    for (const std::string& text : lines)
        document.lines.push_back(Line{text, 0});
    return document;
}

std::string where(const SearchResult& result)
{
    if (!result.error.empty())
        return result.error;
    if (!result.match)
        return "none";
    const TextMatch& m = *result.match;
    return format("%d:%d-%d:%d", m.start.line, m.start.column, m.end.line, m.end.column);
}

std::string plain(const Document& document, std::string_view text, std::uint16_t flags, Position from,
                  std::optional<SearchBounds> bounds = std::nullopt)
{
    SearchRequest request;
    request.text = text;
    request.flags = flags;
    request.from = from;
    request.bounds = bounds;
    return where(find_text(document, request));
}

using namespace findflag;

TEST(SearchWalk, ForwardsFindsTheFirstMatchAtOrAfterTheStart)
{
    Document d = document_of({"int a;", "int ab = a;", "return ab;"});
    EXPECT_EQ(plain(d, "ab", forwards, {0, 0}), "1:4-1:6");
    EXPECT_EQ(plain(d, "ab", forwards, {1, 4}), "1:4-1:6");
    EXPECT_EQ(plain(d, "ab", forwards, {1, 5}), "2:7-2:9");
    EXPECT_EQ(plain(d, "ab", forwards, {2, 8}), "none");
}

TEST(SearchWalk, BackwardsFindsTheTextLeftOfTheCursorNotItsReverse)
{
    Document d = document_of({"xab ba", "ba ab ba"});
    EXPECT_EQ(plain(d, "ab", backwards, {1, 8}), "1:3-1:5");
    EXPECT_EQ(plain(d, "ab", backwards, {1, 4}), "0:1-0:3");
    EXPECT_EQ(plain(d, "ab", backwards, {0, 2}), "none");  // a match must end before the cursor
    Document runs = document_of({"aaaa"});
    EXPECT_EQ(plain(runs, "aa", backwards, {0, 3}), "0:1-0:3");
}

TEST(SearchWalk, WrapGoesOnFromTheOtherEndAndStopsAtTheStart)
{
    Document d = document_of({"one key", "two", "key three"});
    EXPECT_EQ(plain(d, "key", forwards | wrap, {2, 1}), "0:4-0:7");
    // Back at the line of the start, a match that began before it is found.
    EXPECT_EQ(plain(d, "two", forwards | wrap, {1, 1}), "1:0-1:3");
    EXPECT_EQ(plain(d, "key", backwards | wrap, {0, 3}), "2:0-2:3");
    EXPECT_EQ(plain(d, "nothing", forwards | wrap, {1, 0}), "none");
}

TEST(SearchWalk, WholeWordsPassesOverMatchesInsideIdentifiers)
{
    Document d = document_of({"index in_x xin in", "in"});
    EXPECT_EQ(plain(d, "in", forwards | whole_words, {0, 0}), "0:15-0:17");
    EXPECT_EQ(plain(d, "in", forwards | whole_words, {0, 16}), "1:0-1:2");
    EXPECT_EQ(plain(d, "in", backwards | whole_words, {1, 0}), "0:15-0:17");
}

TEST(SearchWalk, IgnoreCaseFoldsOnlyTheLettersAToZ)
{
    Document d = document_of({"Hello HELLO \xe9t\xc9T"});
    EXPECT_EQ(plain(d, "hello", forwards, {0, 0}), "none");
    EXPECT_EQ(plain(d, "hello", forwards | ignore_case, {0, 1}), "0:6-0:11");
    EXPECT_EQ(plain(d, "\xe9t", forwards | ignore_case, {0, 13}), "none");  // not folded
    EXPECT_EQ(plain(d, "hELLo", backwards | ignore_case, {0, 11}), "0:6-0:11");
}

TEST(SearchWalk, ALineFeedInTheTextMatchesALineEnd)
{
    Document d = document_of({"abc", "def", "abc", "de"});
    EXPECT_EQ(plain(d, "c\nd", forwards, {0, 0}), "0:2-1:1");
    EXPECT_EQ(plain(d, "c\nd", forwards, {0, 3}), "2:2-3:1");
    EXPECT_EQ(plain(d, "bc\ndef\nab", forwards, {0, 0}), "0:1-2:2");
    EXPECT_EQ(plain(d, "de\n", forwards, {0, 0}), "3:0-4:0");
    EXPECT_EQ(plain(d, "c\nd", backwards, {3, 2}), "2:2-3:1");
    EXPECT_EQ(plain(d, "cd", forwards, {0, 0}), "none");  // no match across a line end without one
}

TEST(SearchWalk, BoundsKeepMatchesInside)
{
    Document d = document_of({"x x", "x x x", "x"});
    SearchBounds lines{{1, 0}, {2, 0}};
    EXPECT_EQ(plain(d, "x", forwards, {0, 0}, lines), "1:0-1:1");
    EXPECT_EQ(plain(d, "x", forwards, {1, 3}, lines), "1:4-1:5");
    EXPECT_EQ(plain(d, "x", forwards, {1, 5}, lines), "none");
    EXPECT_EQ(plain(d, "x", forwards | wrap, {1, 3}, lines), "1:4-1:5");
    EXPECT_EQ(plain(d, "x", backwards, {2, 1}, lines), "1:4-1:5");
}

TEST(SearchWalk, SimilarWordsIgnoreCaseAndUnderscores)
{
    Document d = document_of({"maxvalue_x = MAX_VALUE + MaxValue; _max_value_;"});
    EXPECT_EQ(plain(d, "max_value", forwards | similar_words, {0, 0}), "0:13-0:22");
    EXPECT_EQ(plain(d, "MaxValue", forwards | similar_words, {0, 14}), "0:25-0:33");
    EXPECT_EQ(plain(d, "MaxValue", forwards | similar_words, {0, 26}), "0:35-0:46");
    EXPECT_EQ(plain(d, "maxvalue", backwards | similar_words, {0, 24}), "0:13-0:22");
    // A text that is no identifier is searched ignoring case.
    EXPECT_EQ(plain(d, "x = m", forwards | similar_words, {0, 0}), "0:9-0:14");
}

TEST(SearchWalk, RegularExpressionsMatchLineByLineFromTheCursorColumn)
{
    Document d = document_of({"aaa", "int x;", "  int y;"});
    std::string message;
    CompiledRegex re = *compile_regex("^int", message);
    SearchRequest request;
    request.flags = forwards;
    request.from = {0, 1};
    EXPECT_EQ(where(find_regex(d, re, request)), "1:0-1:3");
    request.from = {1, 1};
    EXPECT_EQ(where(find_regex(d, re, request)), "none");  // "^" is a line start, not the cursor
    CompiledRegex xend = *compile_regex("x$", message);
    Document ends = document_of({"x y", "yx"});
    request.from = {0, 0};
    EXPECT_EQ(where(find_regex(ends, xend, request)), "1:1-1:2");
    CompiledRegex dollar = *compile_regex("$", message);
    EXPECT_EQ(where(find_regex(ends, dollar, request)), "none");
    request.flags = backwards;
    request.from = {2, 0};
    CompiledRegex word = *compile_regex("[a-z]+", message);
    EXPECT_EQ(where(find_regex(ends, word, request)), "1:0-1:2");
}

TEST(SearchWalk, RegularExpressionOverBudgetStopsTheSearchWithItsMessage)
{
    Document d = document_of({"short", std::string(60, 'a'), "b"});
    std::string message;
    CompiledRegex re = *compile_regex("(a|a)+b", message);
    SearchRequest request;
    request.flags = forwards;
    EXPECT_EQ(where(find_regex(d, re, request)), "Regular expression too complex for this text: search stopped");
}

TEST(SearchWalk, RepeatingFromAnEmptyMatchMovesOn)
{
    Document d = document_of({"bab"});
    std::string message;
    CompiledRegex re = *compile_regex("a*", message);
    SearchRequest request;
    request.flags = forwards;
    request.skip_empty_at_from = true;
    EXPECT_EQ(where(find_regex(d, re, request)), "0:1-0:2");  // the empty match at 0 is passed over
}

class Search : public EditorTest {
protected:
    ScriptedSearchHost search_host;
    Searcher searcher{editor, search_host};
};

TEST_F(Search, FindSelectsTheMatchAndFindNextMovesOn)
{
    View& view = make({"int a;", "long a;", "a"});
    searcher.set_search("a", forwards | whole_words | current_window);
    view.cursor = {0, 0};
    EXPECT_EQ(searcher.find(view, {}), &view);
    EXPECT_EQ(*view.anchor, (Position{0, 4}));
    EXPECT_EQ(view.cursor, (Position{0, 5}));
    EXPECT_EQ(searcher.find_next(view, {}), &view);
    EXPECT_EQ(view.cursor, (Position{1, 6}));
    EXPECT_EQ(searcher.find_previous(view, {}), &view);
    EXPECT_EQ(view.cursor, (Position{0, 4}));  // backwards: the cursor at the match's left end
    EXPECT_EQ(*view.anchor, (Position{0, 5}));
    EXPECT_EQ(searcher.find_previous(view, {}), nullptr);
    EXPECT_EQ(search_host.told, std::vector<std::string>{"String not found"});
    EXPECT_FALSE(view.anchor.has_value());
    EXPECT_EQ(view.cursor, (Position{0, 4}));
}

TEST_F(Search, UndoAfterFindBringsTheCursorBack)
{
    View& view = make({"abc", "xyz"});
    searcher.set_search("y", forwards);
    EXPECT_EQ(searcher.find(view, {}), &view);
    EXPECT_EQ(view.cursor, (Position{1, 2}));
    editor.undo(view);
    EXPECT_EQ(view.cursor, (Position{0, 0}));
}

TEST_F(Search, FindNextWithoutASearchTextDoesNothing)
{
    View& view = make({"abc"});
    EXPECT_EQ(searcher.find_next(view, {}), nullptr);
    EXPECT_TRUE(search_host.told.empty());
}

TEST_F(Search, AllWindowsGoesOnInTheOtherViewsFromTheirStart)
{
    View& first = make({"nothing here"});
    Document& other_document = editor.create_document("C:\\OTHER.TXT");
    other_document.lines = {Line{"target", 0}, Line{"and target", 0}};
    View& second = editor.open_view(other_document);
    second.cursor = {1, 8};
    searcher.set_search("target", forwards | all_windows);
    EXPECT_EQ(searcher.find(first, {&first, &second}), &second);
    EXPECT_EQ(second.cursor, (Position{0, 6}));
}

TEST_F(Search, ACompileErrorIsToldAndNothingRuns)
{
    View& view = make({"a(b"});
    searcher.set_search("a(b", forwards | regular_expression);
    EXPECT_EQ(searcher.find(view, {}), nullptr);
    EXPECT_EQ(search_host.told, std::vector<std::string>{"Mismatched ()"});
}

TEST_F(Search, ReplaceAllOfAByAaGivesThreeSubstitutions)
{
    View& view = make({"aaa"});
    searcher.set_search("a", forwards | confirm);
    searcher.set_replacement("aa");
    search_host.answers = {ReplaceAnswer::all};
    EXPECT_EQ(searcher.replace(view, {}), 3);
    EXPECT_EQ(texts(*view.document), std::vector<std::string>{"aaaaaa"});
    EXPECT_EQ(search_host.told.back(), "3 substitutions");
    EXPECT_EQ(search_host.asked_at.size(), 1u);
    EXPECT_EQ(view.cursor, (Position{0, 0}));
    EXPECT_FALSE(view.anchor.has_value());
    editor.undo(view);  // one replace group
    EXPECT_EQ(texts(*view.document), std::vector<std::string>{"aaa"});
}

TEST_F(Search, ReplaceAsksForEachMatchAndSkipsTheRefused)
{
    View& view = make({"x = a + a;", "a"});
    searcher.set_search("a", forwards | confirm | whole_words);
    searcher.set_replacement("b");
    search_host.answers = {ReplaceAnswer::yes, ReplaceAnswer::no, ReplaceAnswer::yes};
    EXPECT_EQ(searcher.replace(view, {}), 2);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"x = b + a;", "b"}));
    EXPECT_EQ(search_host.asked_at, (std::vector<Position>{{0, 4}, {0, 8}, {1, 0}}));
    EXPECT_EQ(search_host.told.back(), "2 substitutions");
}

TEST_F(Search, ReplaceCancelStopsAndKeepsWhatWasDone)
{
    View& view = make({"a a a"});
    searcher.set_search("a", forwards | confirm);
    searcher.set_replacement("bb");
    search_host.answers = {ReplaceAnswer::yes, ReplaceAnswer::cancel};
    EXPECT_EQ(searcher.replace(view, {}), 1);
    EXPECT_EQ(texts(*view.document), std::vector<std::string>{"bb a a"});
}

TEST_F(Search, ReplaceFromTheCursorWithWrapGoesAroundAndReturnsTheCursor)
{
    View& view = make({"k1 k2", "k3"});
    view.cursor = {0, 3};
    searcher.set_search("k", forwards | wrap);
    searcher.set_replacement("key");
    EXPECT_EQ(searcher.replace(view, {}), 3);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"key1 key2", "key3"}));
    EXPECT_EQ(view.cursor, (Position{0, 5}));  // moved along by the replacement before it
}

TEST_F(Search, ReplaceWithoutWrapStopsAtTheEnd)
{
    View& view = make({"k1 k2", "k3"});
    view.cursor = {0, 3};
    searcher.set_search("k", forwards);
    searcher.set_replacement("");
    EXPECT_EQ(searcher.replace(view, {}), 2);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"k1 2", "3"}));
}

TEST_F(Search, ReplaceWithinTheSelectionTouchesOnlyIt)
{
    View& view = make({"a a a", "a a"});
    view.anchor = Position{0, 2};
    view.cursor = Position{1, 1};
    searcher.set_search("a", forwards | in_selection);
    searcher.set_replacement("bcd");
    EXPECT_EQ(searcher.replace(view, {}), 3);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"a bcd bcd", "bcd a"}));
}

TEST_F(Search, ReplaceByFunctionStaysInTheFunctionsLines)
{
    View& view = make({"int f;", "f(f);", "f"});
    searcher.function_at = [](const View&) { return SearchBounds{{1, 0}, {2, 0}}; };
    searcher.set_search("f", findflag::choose_by_function(forwards | backwards | all_windows | wrap));
    searcher.set_replacement("g");
    EXPECT_EQ(searcher.replace(view, {}), 2);
    EXPECT_EQ(texts(*view.document), (std::vector<std::string>{"int f;", "g(g);", "f"}));
}

TEST_F(Search, ReplaceInAllWindowsSumsTheCounts)
{
    View& first = make({"a", "b a"});
    Document& other_document = editor.create_document("C:\\OTHER.TXT");
    other_document.lines = {Line{"aa", 0}};
    View& second = editor.open_view(other_document);
    searcher.set_search("a", forwards | all_windows);
    searcher.set_replacement("c");
    EXPECT_EQ(searcher.replace(first, {&first, &second}), 4);
    EXPECT_EQ(texts(other_document), std::vector<std::string>{"cc"});
    EXPECT_EQ(search_host.told.back(), "4 substitutions");
}

TEST_F(Search, ReplacingAnEmptyMatchAlwaysMovesOn)
{
    View& view = make({"bab"});
    searcher.set_search("a*", forwards | regular_expression);
    searcher.set_replacement("x");
    EXPECT_EQ(searcher.replace(view, {}), 2);
    EXPECT_EQ(texts(*view.document), std::vector<std::string>{"xbxb"});
}

TEST_F(Search, NothingToReplaceSaysSo)
{
    View& view = make({"abc"});
    searcher.set_search("z", forwards);
    EXPECT_EQ(searcher.replace(view, {}), 0);
    EXPECT_EQ(search_host.told, std::vector<std::string>{"String not found"});
}

TEST(SearchDialog, ChecksAndPrefill)
{
    EXPECT_EQ(check_search_dialog("", forwards), "Empty search string?");
    EXPECT_EQ(check_search_dialog("x", current_window), "Direction ?");
    EXPECT_EQ(check_search_dialog("x", backwards), std::nullopt);
    EXPECT_EQ(findflag::choose_by_function(0x00C2), 0x0A21);

    Document d = document_of({"  count_of(items) + x"});
    View view;
    view.document = &d;
    view.cursor = {0, 5};
    EXPECT_EQ(search_prefill(view), "count_of");
    view.anchor = Position{0, 11};
    view.cursor = {0, 16};
    EXPECT_EQ(search_prefill(view), "items");
    view.cursor = {0, 18};  // "items) " holds a blank: the identifier under the cursor instead
    EXPECT_EQ(search_prefill(view), "");
}

TEST(SearchState, HistoryKeepsEachTextOnceNewestFirst)
{
    ScriptedHost host;
    FakeClipboard clipboard;
    Editor editor(host, clipboard);
    ScriptedSearchHost search_host;
    Searcher searcher(editor, search_host);
    searcher.set_search("one", forwards);
    searcher.set_search("two", forwards);
    searcher.set_search("one", forwards);
    EXPECT_EQ(searcher.state().history, (std::vector<std::string>{"two", "one"}));
    EXPECT_EQ(searcher.state().reversed, "eno");
    searcher.set_search(std::string(600, 'x'), forwards);
    EXPECT_EQ(searcher.state().text.size(), 512u);
}

}  // namespace
}  // namespace vyn::editor::testing

namespace vyn::editor {
namespace {

TEST(LiteralFinder, FindsEveryPlaceAStringFindWould)
{
    const char* texts[] = {"", "k", "markmark", "xmarkwork kmark", "mmmark", "markmar", "abc mark"};
    const char* literals[] = {"mark", "k", "kmark", "mar", "xmarkwork kmark", "markmarkmark"};
    for (const char* text : texts)
        for (const char* literal : literals) {
            LiteralFinder finder(literal);
            std::string_view t(text);
            for (std::size_t from = 0; from <= t.size() + 1; ++from)
                EXPECT_EQ(finder.find(t, from), from > t.size() ? std::string_view::npos : t.find(literal, from))
                    << text << " / " << literal << " from " << from;
        }
}

}  // namespace
}  // namespace vyn::editor

#include "ide/versions/revision_file.h"

#include <set>

#include "common/strings.h"
#include "ide/versions/revision_number.h"

namespace vyn::versions {

Revision* RevisionFile::find(std::string_view number)
{
    for (Revision& r : revisions)
        if (r.number == number && !r.deleted)
            return &r;
    return nullptr;
}

const Revision* RevisionFile::find(std::string_view number) const
{
    for (const Revision& r : revisions)
        if (r.number == number && !r.deleted)
            return &r;
    return nullptr;
}

std::size_t RevisionFile::count() const
{
    std::size_t n = 0;
    for (const Revision& r : revisions)
        n += r.deleted ? 0 : 1;
    return n;
}

namespace {

constexpr std::string_view kHeaderLine = "This is a CMS file. Do NOT edit!";

enum class Kind { End, Number, Identifier, Colon, Semicolon, String, Bad };

struct Token {
    Kind kind = Kind::End;
    std::string text;  // number, identifier, decoded string, or the bad character
};

/* Lexer over the revision file. Numbers are runs of digits and dots,
 * identifiers runs of other printable characters, strings are enclosed in
 * "@" with "@@" standing for one "@". */
class Lexer {
public:
    explicit Lexer(std::string_view text, std::size_t pos) : text_(text), pos_(pos) {}

    const Token& peek()
    {
        if (!peeked_) {
            current_ = scan();
            peeked_ = true;
        }
        return current_;
    }
    Token take()
    {
        peek();
        peeked_ = false;
        return std::move(current_);
    }
    bool unterminated_string() const { return unterminated_; }

private:
    static bool is_white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
    static bool is_word(char c)
    {
        unsigned char u = static_cast<unsigned char>(c);
        return u > 32 && u != 127 && c != ':' && c != ';' && c != '@';
    }

    Token scan()
    {
        while (pos_ < text_.size() && is_white(text_[pos_]))
            ++pos_;
        Token t;
        if (pos_ >= text_.size())
            return t;
        char c = text_[pos_];
        if (c == ':' || c == ';') {
            ++pos_;
            t.kind = c == ':' ? Kind::Colon : Kind::Semicolon;
            return t;
        }
        if (c == '@')
            return scan_string();
        if (!is_word(c)) {
            ++pos_;
            t.kind = Kind::Bad;
            t.text = std::string(1, c);
            return t;
        }
        std::size_t start = pos_;
        bool digits_only = true;
        while (pos_ < text_.size() && is_word(text_[pos_])) {
            char d = text_[pos_];
            if (!((d >= '0' && d <= '9') || d == '.'))
                digits_only = false;
            ++pos_;
        }
        t.text = std::string(text_.substr(start, pos_ - start));
        t.kind = digits_only ? Kind::Number : Kind::Identifier;
        return t;
    }

    Token scan_string()
    {
        Token t;
        ++pos_;
        for (;;) {
            std::size_t at = text_.find('@', pos_);
            if (at == std::string_view::npos) {
                unterminated_ = true;
                pos_ = text_.size();
                t.kind = Kind::End;
                return t;
            }
            t.text.append(text_.substr(pos_, at - pos_));
            if (at + 1 < text_.size() && text_[at + 1] == '@') {
                t.text += '@';
                pos_ = at + 2;
                continue;
            }
            pos_ = at + 1;
            t.kind = Kind::String;
            return t;
        }
    }

    std::string_view text_;
    std::size_t pos_;
    Token current_;
    bool peeked_ = false;
    bool unterminated_ = false;
};

/* Parser of the revision file grammar. Each step returns false with the
 * message set; the caller stops at the first one. */
class Parser {
public:
    Parser(std::string_view text, std::size_t pos, RevisionFile& file, std::string& error)
        : lex_(text, pos), file_(file), error_(error)
    {
    }

    bool run() { return admin() && tree() && description() && texts() && check_links(); }

private:
    bool fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }
    // The message for an unexpected token: an odd character or the end.
    bool fail_at(std::string message)
    {
        const Token& t = lex_.peek();
        if (t.kind == Kind::End)
            return fail("Incorrect CMS file: Unexpected EOF");
        if (t.kind == Kind::Bad)
            return fail(format("unknown Character: %c", t.text[0]));
        return fail(std::move(message));
    }
    bool keyword(std::string_view word)
    {
        const Token& t = lex_.peek();
        if (t.kind == Kind::Identifier && t.text == word) {
            lex_.take();
            return true;
        }
        return false;
    }
    bool semicolon()
    {
        if (lex_.peek().kind == Kind::Semicolon) {
            lex_.take();
            return true;
        }
        return false;
    }
    bool optional_number(std::string& out)
    {
        if (lex_.peek().kind == Kind::Number) {
            out = lex_.take().text;
            return true;
        }
        return false;
    }
    bool optional_word(std::string& out)
    {
        Kind k = lex_.peek().kind;
        if (k == Kind::Identifier || k == Kind::Number) {
            out = lex_.take().text;
            return true;
        }
        return false;
    }
    // Pairs "word:number" up to the ";"; messages for the name and lock lists.
    bool pairs(std::vector<std::pair<std::string, std::string>>& out, const char* missing_colon,
               const char* missing_number, const char* missing_semicolon, bool locks)
    {
        for (;;) {
            if (semicolon())
                return true;
            std::string word;
            if (!optional_word(word))
                return fail_at(missing_semicolon);
            if (lex_.peek().kind != Kind::Colon)
                return fail_at(missing_colon);
            lex_.take();
            std::string number;
            if (!optional_number(number) || !is_dotted_number(number))
                return fail_at(missing_number);
            if (locks && !is_revision_number(number))
                return fail("Delta number required for lock");
            out.emplace_back(std::move(word), std::move(number));
        }
    }

    bool admin()
    {
        if (!keyword("Head"))
            return fail_at("Missing head");
        optional_number(file_.head);
        if (!semicolon())
            return fail_at("Missing ';' after head");
        if (keyword("Branch")) {
            optional_number(file_.default_branch);
            if (!semicolon())
                return fail_at("Missing ';' after branch list");
        }
        if (!keyword("Access"))
            return fail_at("Missing access list");
        for (;;) {
            if (semicolon())
                break;
            std::string user;
            if (!optional_word(user))
                return fail_at("Missing ';' after access list");
            file_.access.push_back(std::move(user));
        }
        if (!keyword("RevNames"))
            return fail_at("Missing symbols");
        if (!pairs(file_.names, "Missing ':' in symbolic name definition", "Missing number in symbolic name definition",
                   "Missing ';' after symbolic names", false))
            return false;
        if (!keyword("Locks"))
            return fail_at("Missing locks");
        if (!pairs(file_.locks, "Missing ':' in lock", "Missing number in lock", "Missing ';' after locks", true))
            return false;
        if (keyword("Comment")) {
            if (lex_.peek().kind == Kind::String)
                file_.comment = lex_.take().text;
            if (!semicolon())
                return fail_at("Missing ';' after keyword Comment");
        }
        file_.version = 1;
        if (keyword("CmsVersion")) {
            std::string v;
            if (!optional_number(v) || v.size() > 6 || v.find('.') != std::string::npos)
                return fail_at("Missing ';' after keyword CmsVersion");
            file_.version = static_cast<int>(parse_long(v).value_or(1));
            if (!semicolon())
                return fail_at("Missing ';' after keyword CmsVersion");
        }
        file_.binary = false;
        if (file_.version >= 2 && keyword("Binary")) {
            std::string v;
            if (!optional_number(v))
                return fail_at("Missing ';' after keyword Binary");
            file_.binary = v != "0";
            if (!semicolon())
                return fail_at("Missing ';' after keyword Binary");
        }
        return true;
    }

    // "Date", "Author" or "State" and its value up to the ";".
    bool field(const char* name, std::string& value, bool required)
    {
        if (!keyword(name))
            return fail_at(format("Missing %s", name));
        if (!optional_word(value) && required)
            return fail_at(format("Missing %s", name));
        if (!semicolon())
            return fail_at(format("Missing ';' after keyword %s", name));
        return true;
    }

    bool tree()
    {
        while (lex_.peek().kind == Kind::Number) {
            Revision r;
            r.number = lex_.take().text;
            if (!is_revision_number(r.number))
                return fail("Delta number required");
            if (seen_.count(r.number))
                return fail(format("Incorrect CMS file: revision %s appears twice", r.number.c_str()));
            seen_.insert(r.number);
            if (!field("Date", r.date, true) || !field("Author", r.author, true) || !field("State", r.state, false))
                return false;
            if (!keyword("Branches"))
                return fail_at("Missing branches");
            for (;;) {
                if (semicolon())
                    break;
                std::string b;
                if (!optional_number(b))
                    return fail_at("Missing ';' after branches");
                if (!is_revision_number(b))
                    return fail("Delta number required");
                r.branches.push_back(std::move(b));
            }
            if (!keyword("Next"))
                return fail_at("Missing next");
            optional_number(r.next);
            if (!r.next.empty() && !is_revision_number(r.next))
                return fail("Delta number required");
            if (!semicolon())
                return fail_at("Missing ';' after next");
            file_.revisions.push_back(std::move(r));
        }
        return true;
    }

    bool description()
    {
        if (!keyword("Description"))
            return fail_at("Missing descriptive text");
        if (lex_.peek().kind != Kind::String) {
            if (lex_.unterminated_string())
                return fail("Incorrect CMS file: Unexpected EOF");
            return fail_at("Missing descriptive text");
        }
        file_.description = lex_.take().text;
        return true;
    }

    bool texts()
    {
        for (;;) {
            const Token& t = lex_.peek();
            if (t.kind == Kind::End)
                return !lex_.unterminated_string() || fail("Incorrect CMS file: Unexpected EOF");
            if (t.kind != Kind::Number)
                return fail_at("Missing log entry");
            std::string number = lex_.take().text;
            Revision* r = file_.find(number);
            if (!r || r->has_text)
                return fail(format("Can't find delta for revision %s", number.c_str()));
            if (!keyword("Log") || lex_.peek().kind != Kind::String)
                return lex_.unterminated_string() ? fail("Incorrect CMS file: Unexpected EOF")
                                                  : fail_at("Missing log entry");
            r->log = lex_.take().text;
            if (!keyword("Text") || lex_.peek().kind != Kind::String)
                return lex_.unterminated_string() ? fail("Incorrect CMS file: Unexpected EOF")
                                                  : fail_at("Missing delta text");
            r->text = lex_.take().text;
            r->has_text = true;
            file_.text_order.push_back(number);
        }
    }

    /* Every revision must be reached exactly once from the head through
     * next links and branch lists, and every revision must have its text;
     * otherwise rebuilding or rewriting the file could loop or lose data. */
    bool check_links()
    {
        if (file_.head.empty()) {
            if (!file_.revisions.empty())
                return fail(format("Incorrect CMS file: revision %s is not linked", file_.revisions[0].number.c_str()));
            return true;
        }
        std::set<std::string> reached;
        std::vector<std::string> pending{file_.head};
        while (!pending.empty()) {
            std::string n = std::move(pending.back());
            pending.pop_back();
            const Revision* r = file_.find(n);
            if (!r)
                return fail(format("Can't find delta for revision %s", n.c_str()));
            if (!reached.insert(n).second)
                return fail(format("Incorrect CMS file: revision %s is linked twice", n.c_str()));
            if (!r->has_text)
                return fail("Missing delta text");
            if (!r->next.empty())
                pending.push_back(r->next);
            for (const std::string& b : r->branches)
                pending.push_back(b);
        }
        for (const Revision& r : file_.revisions)
            if (!reached.count(r.number))
                return fail(format("Incorrect CMS file: revision %s is not linked", r.number.c_str()));
        return true;
    }

    Lexer lex_;
    RevisionFile& file_;
    std::string& error_;
    std::set<std::string> seen_;
};

}  // namespace

bool parse_revision_file(std::string_view bytes, RevisionFile& file, std::string& error)
{
    file = RevisionFile{};
    std::size_t pos = 0;
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\n' || bytes[pos] == '\r' || bytes[pos] == '\t'))
        ++pos;
    if (bytes.substr(pos, kHeaderLine.size()) != kHeaderLine) {
        error = bytes.size() - pos < kHeaderLine.size() ? "Incorrect CMS file: Unexpected EOF"
                                                         : "Incorrect CMS file: missing header line";
        return false;
    }
    pos += kHeaderLine.size();
    return Parser(bytes, pos, file, error).run();
}

}  // namespace vyn::versions

#include "kit/make/expand.h"

#include "common/winpath.h"

namespace vyn::make {

namespace {

// A macro that refers to itself would recurse for ever; expansions that double
// at every level would exhaust memory. Both are reported instead.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxLength = 8u << 20;
// Macros that refer to others twice, level after level, cost exponential
// work even when the text stays empty; the number of references one
// expansion may resolve is bounded too.
constexpr std::size_t kMaxReferences = 1u << 20;

class Expander {
public:
    explicit Expander(const Scope& scope) : scope_(scope) {}

    std::string run(const std::string& text, int depth)
    {
        if (depth > kMaxDepth) {
            fail("recursive macro references itself (eventually)");
            return {};
        }
        std::string out;
        std::size_t i = 0;
        while (i < text.size() && error_.empty()) {
            char c = text[i];
            if (c != '$' || i + 1 >= text.size()) {
                out += c;
                ++i;
                continue;
            }
            char next = text[i + 1];
            if (next == '$') {
                out += '$';
                i += 2;
            } else if (next == '(' || next == '{') {
                std::size_t end = closing(text, i + 1);
                if (end == std::string::npos) {
                    fail("unterminated macro reference");
                    return out;
                }
                std::string inner = run(text.substr(i + 2, end - i - 2), depth + 1);
                out += reference(inner, depth);
                i = end + 1;
            } else {
                out += reference(std::string(1, next), depth);
                i += 2;
            }
            if (out.size() > kMaxLength)
                fail("macro expansion too long");
        }
        return out;
    }

    const std::string& error() const { return error_; }

private:
    void fail(const char* message)
    {
        if (error_.empty())
            error_ = message;
    }

    // Index of the bracket closing the one at open, counting nested pairs.
    static std::size_t closing(const std::string& text, std::size_t open)
    {
        char o = text[open], c = o == '(' ? ')' : '}';
        int level = 0;
        for (std::size_t j = open; j < text.size(); ++j) {
            if (text[j] == o)
                ++level;
            else if (text[j] == c && --level == 0)
                return j;
        }
        return std::string::npos;
    }

    // The value of a reference's inner text: "NAME" or "NAME:from=to".
    std::string reference(const std::string& inner, int depth)
    {
        if (++references_ > kMaxReferences) {
            fail("macro expansion too long");
            return {};
        }
        std::size_t colon = inner.find(':');
        std::size_t equals = colon == std::string::npos ? std::string::npos : inner.find('=', colon);
        if (equals == std::string::npos)
            return value(inner, depth);
        std::string words = value(inner.substr(0, colon), depth);
        return substitute(words, inner.substr(colon + 1, equals - colon - 1), inner.substr(equals + 1));
    }

    // Each blank-separated word ending in from gets that ending replaced by to.
    static std::string substitute(const std::string& words, const std::string& from, const std::string& to)
    {
        std::string out;
        for (const std::string& w : split_words(words)) {
            if (!out.empty())
                out += ' ';
            if (!from.empty() && w.size() >= from.size() && w.compare(w.size() - from.size(), from.size(), from) == 0)
                out += w.substr(0, w.size() - from.size()) + to;
            else
                out += w;
        }
        return out;
    }

    std::string value(const std::string& name, int depth)
    {
        if (auto a = automatic(name))
            return *a;
        if (scope_.overrides) {
            auto it = scope_.overrides->find(name);
            if (it != scope_.overrides->end())
                return it->second;
        }
        if (scope_.makefile) {
            auto it = scope_.makefile->macros.find(name);
            if (it != scope_.makefile->macros.end())
                return it->second.simple ? it->second.value : run(it->second.value, depth + 1);
        }
        if (scope_.environment) {
            auto it = scope_.environment->find(name);
            if (it != scope_.environment->end())
                return it->second;
        }
        return {};
    }

    // "@", "<", ... and "@D"/"@F": the directory and file parts of each word.
    std::optional<std::string> automatic(const std::string& name) const
    {
        if (!scope_.automatic || name.empty() || name.size() > 2)
            return std::nullopt;
        auto it = scope_.automatic->find(name.substr(0, 1));
        if (it == scope_.automatic->end())
            return std::nullopt;
        if (name.size() == 1)
            return it->second;
        if (name[1] != 'D' && name[1] != 'F')
            return std::nullopt;
        std::string out;
        for (const std::string& w : split_words(it->second)) {
            if (!out.empty())
                out += ' ';
            if (name[1] == 'F') {
                out += std::string(winpath::base_name(w));
            } else {
                std::size_t sep = winpath::last_separator(w);
                out += sep == std::string::npos ? std::string(".") : w.substr(0, sep == 0 ? 1 : sep);
            }
        }
        return out;
    }

    const Scope& scope_;
    std::string error_;
    std::size_t references_ = 0;
};

}  // namespace

ExpandResult expand(const std::string& text, const Scope& scope)
{
    Expander e(scope);
    ExpandResult r;
    r.text = e.run(text, 0);
    r.error = e.error();
    return r;
}

}  // namespace vyn::make

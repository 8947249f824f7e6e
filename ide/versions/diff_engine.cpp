#include "ide/versions/diff_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "common/strings.h"

namespace vyn::versions {

namespace {

/* The engine's indexes: line numbers, class numbers and diagonals. Every
 * function below is a template over Index so that texts of fewer than 2^31
 * lines (all real ones) use 32-bit tables, half the memory of 64-bit ones;
 * larger texts use ptrdiff_t. */
template <class Index>
constexpr bool fits(std::size_t lines)
{
    // Diagonals run from -(lines + 1) to lines + 1; leave room for both.
    return lines < static_cast<std::size_t>(std::numeric_limits<Index>::max() / 2 - 4);
}

// An internal error: a broken invariant of the engine, never bad input.
[[noreturn]] void engine_fault(const char* what)
{
    std::fprintf(stderr, "internal error in the difference engine: %s\n", what);
    std::abort();
}

bool is_space(char c)
{
    return c == ' ' || c == '\t';
}

char fold(char c, bool ignore_case)
{
    return ignore_case ? upper_ascii(c) : c;
}

/* line_hash: a 64-bit rotate-and-add over the bytes that count under the
 * options, mixed and folded to 32 bits. Equal lines (under the options) hash
 * equal. The mixing spreads every byte over the low bits, which alone pick
 * the bucket in a table whose size is a power of two. */
std::uint32_t line_hash(std::string_view line, unsigned options)
{
    std::uint64_t h = 0;
    if (!(options & (diff_options::ignore_case | diff_options::ignore_spaces))) {
        for (char c : line)
            h = static_cast<unsigned char>(c) + ((h << 7) | (h >> 57));
    } else {
        const bool ic = options & diff_options::ignore_case;
        const bool is = options & diff_options::ignore_spaces;
        for (char c : line) {
            if (is && is_space(c))
                continue;
            h = static_cast<unsigned char>(fold(c, ic)) + ((h << 7) | (h >> 57));
        }
    }
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
}

bool lines_equal(std::string_view a, std::string_view b, unsigned options)
{
    const bool ic = options & diff_options::ignore_case;
    if (!(options & diff_options::ignore_spaces)) {
        if (a.size() != b.size())
            return false;
        if (!ic)
            return a == b;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (upper_ascii(a[i]) != upper_ascii(b[i]))
                return false;
        return true;
    }
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && is_space(a[i]))
            ++i;
        while (j < b.size() && is_space(b[j]))
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (fold(a[i], ic) != fold(b[j], ic))
            return false;
        ++i;
        ++j;
    }
}

/* Equivalence classes: every line gets the number (from 1) of the class of
 * lines equal to it under the options, numbered in order of first
 * appearance. A class remembers its first line by index (into the first
 * text, or past its end into the second), not by copy; the table lives only
 * while the lines are classified. The bucket count is a power of two of
 * at least the number of lines, so chains stay about one class long. */
template <class Index>
class ClassTable {
public:
    ClassTable(const Lines* texts[2], std::size_t prefix, std::size_t first_count, std::size_t total_lines,
               unsigned options)
        : texts_{texts[0], texts[1]}, prefix_(prefix), first_count_(first_count), options_(options)
    {
        std::size_t buckets = 1;
        while (buckets < total_lines)
            buckets <<= 1;
        mask_ = buckets - 1;
        heads_.assign(buckets, 0);
        classes_.reserve(total_lines + 1);
        classes_.push_back({});  // class 0 is never used
    }

    // The hash of line (an index over both texts, as above).
    std::uint32_t hash(std::size_t line) const { return line_hash(line_text(line), options_); }

    // Starts loading the bucket of a line classified a little later: the
    // table is far bigger than the caches, and its reads are the
    // classification's cost.
    void prefetch(std::uint32_t h) const
    {
#if defined(__GNUC__)
        __builtin_prefetch(&heads_[h & mask_]);
#else
        (void)h;
#endif
    }

    /* classify: the class of line, whose hash is h, making a new class when
     * no earlier line equals it. */
    Index classify(std::size_t line, std::uint32_t h)
    {
        const std::string_view text = line_text(line);
        Index& head = heads_[h & mask_];
        for (Index c = head; c != 0; c = classes_[static_cast<std::size_t>(c)].next) {
            const Class& k = classes_[static_cast<std::size_t>(c)];
            if (k.hash == h && lines_equal(line_text(static_cast<std::size_t>(k.line)), text, options_))
                return c;
        }
        classes_.push_back({h, head, static_cast<Index>(line)});
        head = static_cast<Index>(classes_.size() - 1);
        return head;
    }

    std::size_t count() const { return classes_.size(); }

private:
    std::string_view line_text(std::size_t line) const
    {
        return line < first_count_ ? texts_[0]->line(prefix_ + line) : texts_[1]->line(prefix_ + line - first_count_);
    }

    struct Class {
        std::uint32_t hash = 0;
        Index next = 0;
        Index line = 0;
    };
    const Lines* texts_[2];
    std::size_t prefix_;
    std::size_t first_count_;
    unsigned options_;
    std::size_t mask_ = 0;
    std::vector<Index> heads_;
    std::vector<Class> classes_;
};

// One side of the comparison, restricted to the lines between the common
// prefix and the common suffix. changed points one past the start of a
// buffer with a zero sentinel before and after the n flags.
template <class Index>
struct Side {
    std::vector<Index> equivs;        // class of each line
    std::vector<char> changed_store;  // n + 2 flags
    char* changed = nullptr;
    std::vector<Index> undiscarded;   // classes of the lines kept for the comparison
    std::vector<Index> realindex;     // their indexes in equivs
    Index lines() const { return static_cast<Index>(equivs.size()); }
};

// Discard marks: kept, discarded (no match in the other file), or
// provisionally discarded (too many matches there).
enum : char { kKeep = 0, kDiscard = 1, kProvisional = 2 };

/* mark_discardable: for each line of both sides, kDiscard when its class
 * does not occur in the other file and kProvisional when it occurs there
 * more than "many" times, a bound that grows with the square root of the
 * file's length. Very common lines (blank lines, braces) would otherwise
 * steer the comparison and make it slow on large files. */
template <class Index>
void mark_discardable(const Side<Index> sides[2], std::size_t class_count, std::vector<char> discarded[2])
{
    std::vector<Index> counts[2];
    for (int f = 0; f < 2; ++f) {
        counts[f].assign(class_count, 0);
        for (Index c : sides[f].equivs)
            ++counts[f][static_cast<std::size_t>(c)];
    }
    for (int f = 0; f < 2; ++f) {
        const Side<Index>& side = sides[f];
        const std::vector<Index>& other = counts[1 - f];
        const Index end = side.lines();
        discarded[f].assign(static_cast<std::size_t>(end), kKeep);
        Index many = 5;
        Index tem = end / 64;
        while ((tem = tem >> 2) > 0)
            many *= 2;
        for (Index i = 0; i < end; ++i) {
            Index nmatch = other[static_cast<std::size_t>(side.equivs[static_cast<std::size_t>(i)])];
            if (nmatch == 0)
                discarded[f][static_cast<std::size_t>(i)] = kDiscard;
            else if (nmatch > many)
                discarded[f][static_cast<std::size_t>(i)] = kProvisional;
        }
    }
}

/* keep_edge_provisionals: walking into a run of discardable lines from one
 * end, provisional discards stay (become kept) until three real discards in
 * a row or a real discard 8 lines in, so that the run's edges line up with
 * the kept lines around it. */
template <class Index>
void keep_edge_provisionals(char* discards, Index length, bool from_end)
{
    Index consec = 0;
    for (Index j = 0; j < length; ++j) {
        char& mark = discards[from_end ? length - 1 - j : j];
        if (j >= 8 && mark == kDiscard)
            break;
        if (mark == kProvisional) {
            consec = 0;
            mark = kKeep;
        } else if (mark == kKeep) {
            consec = 0;
        } else {
            consec++;
        }
        if (consec == 3)
            break;
    }
}

/* settle_run: decides the provisional discards of discards[0, length), a
 * run of discardable lines that starts with a real discard and ends with
 * one. Too many provisionals (over a quarter) and none is discarded;
 * otherwise a sub-run of "minimum" or more provisionals stays, and from
 * either end provisionals stay until three real discards in a row or a real
 * discard 8 lines in. The run's real discards are what the comparison skips;
 * provisional lines next to kept lines keep the alignment natural. */
template <class Index>
void settle_run(char* discards, Index length, Index provisional)
{
    if (provisional * 4 > length) {
        for (Index j = 0; j < length; ++j)
            if (discards[j] == kProvisional)
                discards[j] = kKeep;
        return;
    }
    Index minimum = 1;
    Index t = length >> 2;
    while (0 < (t >>= 2))
        minimum <<= 1;
    minimum++;
    Index consec = 0;
    for (Index j = 0; j < length; ++j) {
        if (discards[j] != kProvisional)
            consec = 0;
        else if (minimum == ++consec)
            j -= consec;  // back to the start of the sub-run to cancel it all
        else if (minimum < consec)
            discards[j] = kKeep;
    }
    keep_edge_provisionals(discards, length, false);
    keep_edge_provisionals(discards, length, true);
}

/* settle_provisionals: a provisional discard outside a run of real ones is
 * kept; each run of discardable lines starting with a real discard loses
 * its trailing provisionals and is then settled by settle_run. The
 * provisional marks left afterwards are discards like the real ones. */
template <class Index>
void settle_provisionals(std::vector<char>& marks)
{
    char* discards = marks.data();
    const Index end = static_cast<Index>(marks.size());
    for (Index i = 0; i < end; ++i) {
        if (discards[i] == kProvisional) {
            discards[i] = kKeep;
            continue;
        }
        if (discards[i] == kKeep)
            continue;
        Index j;
        Index provisional = 0;
        for (j = i; j < end && discards[j] != kKeep; ++j)
            if (discards[j] == kProvisional)
                ++provisional;
        while (j > i && discards[j - 1] == kProvisional) {
            discards[--j] = kKeep;
            --provisional;
        }
        settle_run(discards + i, j - i, provisional);
        i = j - 1;
    }
}

/* collect_undiscarded: the lines left for the comparison go to undiscarded
 * (their classes) and realindex (their places); the discarded ones are
 * marked changed right away. */
template <class Index>
void collect_undiscarded(Side<Index>& side, const std::vector<char>& discarded)
{
    const Index end = side.lines();
    side.undiscarded.clear();
    side.realindex.clear();
    for (Index i = 0; i < end; ++i) {
        if (discarded[static_cast<std::size_t>(i)] == kKeep) {
            side.undiscarded.push_back(side.equivs[static_cast<std::size_t>(i)]);
            side.realindex.push_back(i);
        } else {
            side.changed[i] = 1;
        }
    }
}

/* discard_confusing_lines: marks lines that cannot match as changed and
 * leaves in undiscarded/realindex the lines worth comparing, in three
 * stages: mark, settle the provisional marks, collect. */
template <class Index>
void discard_confusing_lines(Side<Index> sides[2], std::size_t class_count)
{
    std::vector<char> discarded[2];
    mark_discardable(sides, class_count, discarded);
    for (int f = 0; f < 2; ++f) {
        settle_provisionals<Index>(discarded[f]);
        collect_undiscarded(sides[f], discarded[f]);
    }
}

template <class Index>
struct Partition {
    Index xmid, ymid;
    bool lo_minimal, hi_minimal;
};

/* The O(ND) comparison of Myers over the undiscarded lines, splitting at
 * middle snakes. fd and bd are the forward and backward diagonal vectors,
 * indexed by diagonal x - y (they point into storage that covers every
 * diagonal from -(ylen + 1) to xlen + 1). */
template <class Index>
class Comparer {
public:
    using Offset = Index;
    Comparer(Side<Index>& x, Side<Index>& y) : x_(x), y_(y)
    {
        const Offset xlen = static_cast<Offset>(x.undiscarded.size());
        const Offset ylen = static_cast<Offset>(y.undiscarded.size());
        const Offset diags = xlen + ylen + 3;
        fstore_.assign(static_cast<std::size_t>(diags), 0);
        bstore_.assign(static_cast<std::size_t>(diags), 0);
        fd_ = fstore_.data() + ylen + 1;
        bd_ = bstore_.data() + ylen + 1;
        xv_ = x.undiscarded.data();
        yv_ = y.undiscarded.data();
        // Approximate square root of the input size, at least 4096: beyond that
        // many edit steps a split point is chosen by a heuristic instead.
        Offset expensive = 1;
        for (Offset d = diags; d != 0; d >>= 2)
            expensive <<= 1;
        too_expensive_ = std::max<Offset>(4096, expensive);
    }

    void run()
    {
        compareseq(0, static_cast<Offset>(x_.undiscarded.size()), 0, static_cast<Offset>(y_.undiscarded.size()),
                   false);
    }

private:
    /* diag: finds the midpoint of a shortest edit script of x[xoff, xlim)
     * and y[yoff, ylim), searching forward from the top-left corner and
     * backward from the bottom-right until the two searches overlap.
     *
     * Precondition: xoff < xlim and yoff < ylim (both pieces nonempty; the
     * caller has settled the empty cases), and fd_/bd_ cover the diagonals
     * xoff - ylim - 1 to xlim - yoff + 1.
     * Postcondition: part is a point with xoff <= xmid <= xlim and
     * yoff <= ymid <= ylim. When the search ends by overlap, the point lies
     * on a shortest path and both halves are to be compared minimally.
     * Cost: O((N + M) D) for a script of D edits. Unless minimal is set the
     * search stops after too_expensive_ rounds (about the square root of the
     * input's size, at least 4096): the furthest-reaching diagonal of either
     * search is taken as the split point instead, so that the cost of one
     * call is bounded by O((N + M) * too_expensive_) at the price of a
     * possibly longer script; that half is then not compared minimally. */
    void diag(Offset xoff, Offset xlim, Offset yoff, Offset ylim, bool minimal, Partition<Index>& part)
    {
        if (!(xoff < xlim && yoff < ylim))
            engine_fault("diag called with an empty piece");
        Offset* const fd = fd_;
        Offset* const bd = bd_;
        const Offset* const xv = xv_;
        const Offset* const yv = yv_;
        const Offset dmin = xoff - ylim;
        const Offset dmax = xlim - yoff;
        const Offset fmid = xoff - yoff;
        const Offset bmid = xlim - ylim;
        Offset fmin = fmid, fmax = fmid;
        Offset bmin = bmid, bmax = bmid;
        const bool odd = (fmid - bmid) & 1;

        fd[fmid] = xoff;
        bd[bmid] = xlim;

        for (Offset c = 1;; ++c) {
            if (fmin > dmin)
                fd[--fmin - 1] = -1;
            else
                ++fmin;
            if (fmax < dmax)
                fd[++fmax + 1] = -1;
            else
                --fmax;
            for (Offset d = fmax; d >= fmin; d -= 2) {
                Offset tlo = fd[d - 1], thi = fd[d + 1];
                Offset x0 = tlo < thi ? thi : tlo + 1;
                Offset x = x0, y = x0 - d;
                while (x < xlim && y < ylim && xv[x] == yv[y]) {
                    ++x;
                    ++y;
                }
                fd[d] = x;
                if (odd && bmin <= d && d <= bmax && bd[d] <= x) {
                    part = {x, y, true, true};
                    return;
                }
            }

            if (bmin > dmin)
                bd[--bmin - 1] = std::numeric_limits<Offset>::max();
            else
                ++bmin;
            if (bmax < dmax)
                bd[++bmax + 1] = std::numeric_limits<Offset>::max();
            else
                --bmax;
            for (Offset d = bmax; d >= bmin; d -= 2) {
                Offset tlo = bd[d - 1], thi = bd[d + 1];
                Offset x0 = tlo < thi ? tlo : thi - 1;
                Offset x = x0, y = x0 - d;
                while (xoff < x && yoff < y && xv[x - 1] == yv[y - 1]) {
                    --x;
                    --y;
                }
                bd[d] = x;
                if (!odd && fmin <= d && d <= fmax && x <= fd[d]) {
                    part = {x, y, true, true};
                    return;
                }
            }

            if (minimal || c < too_expensive_)
                continue;

            // Gone well beyond the call of duty: take the furthest-reaching
            // diagonal of either search as the split point.
            Offset fxybest = -1, fxbest = 0;
            for (Offset d = fmax; d >= fmin; d -= 2) {
                Offset x = std::min(fd[d], xlim);
                Offset y = x - d;
                if (ylim < y) {
                    x = ylim + d;
                    y = ylim;
                }
                if (fxybest < x + y) {
                    fxybest = x + y;
                    fxbest = x;
                }
            }
            Offset bxybest = std::numeric_limits<Offset>::max(), bxbest = 0;
            for (Offset d = bmax; d >= bmin; d -= 2) {
                Offset x = std::max(xoff, bd[d]);
                Offset y = x - d;
                if (y < yoff) {
                    x = yoff + d;
                    y = yoff;
                }
                if (x + y < bxybest) {
                    bxybest = x + y;
                    bxbest = x;
                }
            }
            if ((xlim + ylim) - bxybest < fxybest - (xoff + yoff))
                part = {fxbest, fxybest - fxbest, true, false};
            else
                part = {bxbest, bxybest - bxbest, false, true};
            return;
        }
    }

    /* compareseq: marks as changed the lines of x[xoff, xlim) and
     * y[yoff, ylim) that are not on a shortest (or, past the cost limit, a
     * short) common path. */
    void compareseq(Offset xoff, Offset xlim, Offset yoff, Offset ylim, bool minimal)
    {
        while (xoff < xlim && yoff < ylim && xv_[xoff] == yv_[yoff]) {
            ++xoff;
            ++yoff;
        }
        while (xoff < xlim && yoff < ylim && xv_[xlim - 1] == yv_[ylim - 1]) {
            --xlim;
            --ylim;
        }
        if (xoff == xlim) {
            for (; yoff < ylim; ++yoff)
                y_.changed[y_.realindex[static_cast<std::size_t>(yoff)]] = 1;
        } else if (yoff == ylim) {
            for (; xoff < xlim; ++xoff)
                x_.changed[x_.realindex[static_cast<std::size_t>(xoff)]] = 1;
        } else {
            Partition<Index> part{};
            diag(xoff, xlim, yoff, ylim, minimal, part);
            compareseq(xoff, part.xmid, yoff, part.ymid, part.lo_minimal);
            compareseq(part.xmid, xlim, part.ymid, ylim, part.hi_minimal);
        }
    }

    Side<Index>& x_;
    Side<Index>& y_;
    std::vector<Offset> fstore_, bstore_;
    Offset* fd_ = nullptr;
    Offset* bd_ = nullptr;
    const Offset* xv_ = nullptr;
    const Offset* yv_ = nullptr;
    Offset too_expensive_ = 4096;
};

/* shift_boundaries: slides each run of changed lines over equal neighbours
 * so that runs merge where they can, then as far down as possible, and
 * finally back to where it lines up with a run of the other file. This makes
 * the change list shorter and the changes fall on natural boundaries. */
template <class Index>
void shift_boundaries(Side<Index> sides[2])
{
    using Offset = Index;
    for (int f = 0; f < 2; ++f) {
        char* changed = sides[f].changed;
        const char* other_changed = sides[1 - f].changed;
        const Offset* equivs = sides[f].equivs.data();
        const Offset i_end = sides[f].lines();
        Offset i = 0, j = 0;
        for (;;) {
            while (i < i_end && !changed[i]) {
                while (other_changed[j++])
                    continue;
                i++;
            }
            if (i == i_end)
                break;
            Offset start = i;
            while (changed[++i])
                continue;
            while (other_changed[j])
                j++;
            Offset runlength, corresponding;
            do {
                runlength = i - start;
                // Move the run up while the line above equals its last line.
                while (start && equivs[start - 1] == equivs[i - 1]) {
                    changed[--start] = 1;
                    changed[--i] = 0;
                    while (changed[start - 1])
                        start--;
                    while (other_changed[--j])
                        continue;
                }
                corresponding = other_changed[j - 1] ? i : i_end;
                // Then down while its first line equals the line below.
                while (i != i_end && equivs[start] == equivs[i]) {
                    changed[start++] = 0;
                    changed[i++] = 1;
                    while (changed[i])
                        i++;
                    while (other_changed[++j])
                        corresponding = i;
                }
            } while (runlength != i - start);
            // Back to a position matching a run of the other file, if any.
            while (corresponding < i) {
                changed[--start] = 1;
                changed[--i] = 0;
                while (other_changed[--j])
                    continue;
            }
        }
    }
}

/* collect_changes: the runs of changed lines of both sides, in file order,
 * as changes numbered in the whole texts (prefix lines come before). */
template <class Index>
std::vector<Change> collect_changes(const Side<Index> sides[2], std::size_t prefix)
{
    std::vector<Change> changes;
    const char* c0 = sides[0].changed;
    const char* c1 = sides[1].changed;
    const Index n0 = sides[0].lines(), n1 = sides[1].lines();
    Index i0 = 0, i1 = 0;
    while (i0 < n0 || i1 < n1) {
        if (c0[i0] || c1[i1]) {
            Index start0 = i0, start1 = i1;
            while (c0[i0])
                ++i0;
            while (c1[i1])
                ++i1;
            changes.push_back({prefix + static_cast<std::size_t>(start0), static_cast<std::size_t>(i0 - start0),
                               prefix + static_cast<std::size_t>(start1), static_cast<std::size_t>(i1 - start1)});
        }
        ++i0;
        ++i1;
    }
    return changes;
}

/* compare_middle: the comparison proper of the m0 and m1 lines after the
 * common prefix, in its phases: classify every line once, discard the
 * lines that cannot match, compare, shift the boundaries, collect. */
template <class Index>
std::vector<Change> compare_middle(const Lines& first, const Lines& second, std::size_t prefix, std::size_t m0,
                                   std::size_t m1, unsigned options)
{
    Side<Index> sides[2];
    const std::size_t counts[2] = {m0, m1};
    std::size_t class_count = 0;
    {
        const Lines* texts[2] = {&first, &second};
        ClassTable<Index> table(texts, prefix, m0, m0 + m1, options);
        // Each line is hashed once; equivs holds the hashes until the
        // classes replace them, so that buckets can be fetched ahead.
        constexpr std::size_t ahead = 16;
        std::size_t first_line = 0;
        for (int f = 0; f < 2; ++f) {
            std::vector<Index>& equivs = sides[f].equivs;
            equivs.resize(counts[f]);
            for (std::size_t i = 0; i < counts[f]; ++i)
                equivs[i] = static_cast<Index>(table.hash(first_line + i));
            for (std::size_t i = 0; i < counts[f]; ++i) {
                if (i + ahead < counts[f])
                    table.prefetch(static_cast<std::uint32_t>(equivs[i + ahead]));
                equivs[i] = table.classify(first_line + i, static_cast<std::uint32_t>(equivs[i]));
            }
            first_line += counts[f];
        }
        class_count = table.count();
    }  // the table goes before the comparison's own tables come
    for (int f = 0; f < 2; ++f) {
        sides[f].changed_store.assign(counts[f] + 2, 0);
        sides[f].changed = sides[f].changed_store.data() + 1;
    }
    discard_confusing_lines(sides, class_count);
    Comparer<Index>(sides[0], sides[1]).run();
    shift_boundaries(sides);
    return collect_changes(sides, prefix);
}

}  // namespace

std::vector<Change> compare_lines(const Lines& first, const Lines& second, unsigned options)
{
    // Lines equal at the start and at the end are set aside.
    std::size_t n0 = first.size(), n1 = second.size();
    std::size_t prefix = 0;
    while (prefix < n0 && prefix < n1 && first.line(prefix) == second.line(prefix))
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < n0 - prefix && suffix < n1 - prefix && first.line(n0 - 1 - suffix) == second.line(n1 - 1 - suffix))
        ++suffix;
    std::size_t m0 = n0 - prefix - suffix, m1 = n1 - prefix - suffix;
    if (m0 == 0 && m1 == 0)
        return {};
    if (fits<std::int32_t>(m0 + m1))
        return compare_middle<std::int32_t>(first, second, prefix, m0, m1, options);
    return compare_middle<std::ptrdiff_t>(first, second, prefix, m0, m1, options);
}

}  // namespace vyn::versions

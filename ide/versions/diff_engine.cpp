#include "ide/versions/diff_engine.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/strings.h"

namespace vyn::versions {

namespace {

using Offset = std::ptrdiff_t;

// Bucket counts of the equivalence-class table.
constexpr std::size_t kPrimes[] = {509,     1021,    2039,     4093,     8191,     16381,
                                   32749,   65521,   131071,   262139,   524287,   1048573,
                                   2097143, 4194301, 8388593,  16777213, 33554393, 67108859};

bool is_space(char c)
{
    return c == ' ' || c == '\t';
}

char fold(char c, bool ignore_case)
{
    return ignore_case ? upper_ascii(c) : c;
}

std::uint32_t line_hash(std::string_view line, unsigned options)
{
    if (!(options & (diff_options::ignore_case | diff_options::ignore_spaces))) {
        std::uint32_t h = 0;
        for (char c : line)
            h = static_cast<unsigned char>(c) + ((h << 7) | (h >> 25));
        return h;
    }
    const bool ic = options & diff_options::ignore_case;
    const bool is = options & diff_options::ignore_spaces;
    std::uint32_t h = 0;
    for (char c : line) {
        if (is && is_space(c))
            continue;
        h = static_cast<unsigned char>(fold(c, ic)) + ((h << 7) | (h >> 25));
    }
    return h;
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
 * lines equal to it under the options. Classes live in a hash table whose
 * bucket count is the first prime of kPrimes not below total/3 + 4. */
class ClassTable {
public:
    ClassTable(std::size_t total_lines, unsigned options) : options_(options)
    {
        std::size_t want = total_lines / 3 + 4;
        std::size_t buckets = kPrimes[std::size(kPrimes) - 1];
        for (std::size_t p : kPrimes)
            if (p >= want) {
                buckets = p;
                break;
            }
        heads_.assign(buckets, 0);
        classes_.reserve(total_lines + 1);
        classes_.push_back({});  // class 0 is never used
    }

    Offset classify(std::string_view line)
    {
        std::uint32_t h = line_hash(line, options_);
        std::size_t bucket = h % heads_.size();
        const bool by_length = !(options_ & diff_options::ignore_spaces);
        for (std::size_t c = heads_[bucket]; c != 0; c = classes_[c].next) {
            const Class& k = classes_[c];
            if (k.hash == h && (!by_length || k.line.size() == line.size()) && lines_equal(k.line, line, options_))
                return static_cast<Offset>(c);
        }
        classes_.push_back({h, line, heads_[bucket]});
        heads_[bucket] = classes_.size() - 1;
        return static_cast<Offset>(classes_.size() - 1);
    }

    std::size_t count() const { return classes_.size(); }

private:
    struct Class {
        std::uint32_t hash = 0;
        std::string_view line;
        std::size_t next = 0;
    };
    unsigned options_;
    std::vector<std::size_t> heads_;
    std::vector<Class> classes_;
};

// One side of the comparison, restricted to the lines between the common
// prefix and the common suffix. changed points one past the start of a
// buffer with a zero sentinel before and after the n flags.
struct Side {
    std::vector<Offset> equivs;       // class of each line
    std::vector<char> changed_store;  // n + 2 flags
    char* changed = nullptr;
    std::vector<Offset> undiscarded;  // classes of the lines kept for the comparison
    std::vector<Offset> realindex;    // their indexes in equivs
    Offset lines() const { return static_cast<Offset>(equivs.size()); }
};

/* discard_confusing_lines: marks lines that cannot match as changed and
 * leaves in undiscarded/realindex the lines worth comparing. A line whose
 * class is absent from the other file is discarded; one whose class occurs
 * more than "many" times there is provisionally discarded, and survives
 * unless it sits inside a run of real discards (see the rules below). This
 * keeps very common lines (blank lines, braces) from steering the
 * comparison while making it much faster on large files. */
void discard_confusing_lines(Side sides[2], std::size_t class_count)
{
    std::vector<Offset> counts[2];
    for (int f = 0; f < 2; ++f) {
        counts[f].assign(class_count, 0);
        for (Offset c : sides[f].equivs)
            ++counts[f][static_cast<std::size_t>(c)];
    }

    std::vector<char> discarded[2];
    for (int f = 0; f < 2; ++f) {
        const Side& side = sides[f];
        const std::vector<Offset>& other = counts[1 - f];
        Offset end = side.lines();
        discarded[f].assign(static_cast<std::size_t>(end), 0);
        Offset many = 5;
        Offset tem = end / 64;
        // "many" grows with the square root of the file's length.
        while ((tem = tem >> 2) > 0)
            many *= 2;
        for (Offset i = 0; i < end; ++i) {
            Offset nmatch = other[static_cast<std::size_t>(side.equivs[static_cast<std::size_t>(i)])];
            if (nmatch == 0)
                discarded[f][static_cast<std::size_t>(i)] = 1;
            else if (nmatch > many)
                discarded[f][static_cast<std::size_t>(i)] = 2;
        }
    }

    for (int f = 0; f < 2; ++f) {
        char* discards = discarded[f].data();
        Offset end = sides[f].lines();
        for (Offset i = 0; i < end; ++i) {
            if (discards[i] == 2) {
                // A provisional discard outside a run of real ones stays.
                discards[i] = 0;
                continue;
            }
            if (discards[i] == 0)
                continue;
            // A run of discardable lines starting with a real discard.
            Offset j;
            Offset provisional = 0;
            for (j = i; j < end; ++j) {
                if (discards[j] == 0)
                    break;
                if (discards[j] == 2)
                    ++provisional;
            }
            // Provisional lines at the end of the run stay.
            while (j > i && discards[j - 1] == 2) {
                discards[--j] = 0;
                --provisional;
            }
            Offset length = j - i;
            if (provisional * 4 > length) {
                // Too many provisionals: none of them is discarded.
                while (j > i)
                    if (discards[--j] == 2)
                        discards[j] = 0;
            } else {
                Offset minimum = 1;
                Offset t = length >> 2;
                while (0 < (t >>= 2))
                    minimum <<= 1;
                minimum++;
                // A sub-run of "minimum" or more provisionals stays.
                Offset consec = 0;
                for (j = 0; j < length; ++j) {
                    if (discards[i + j] != 2)
                        consec = 0;
                    else if (minimum == ++consec)
                        j -= consec;  // back to the start of the sub-run to cancel it all
                    else if (minimum < consec)
                        discards[i + j] = 0;
                }
                // From the start of the run, provisionals stay until three
                // real discards in a row or a real discard 8 lines in.
                consec = 0;
                for (j = 0; j < length; ++j) {
                    if (j >= 8 && discards[i + j] == 1)
                        break;
                    if (discards[i + j] == 2) {
                        consec = 0;
                        discards[i + j] = 0;
                    } else if (discards[i + j] == 0) {
                        consec = 0;
                    } else {
                        consec++;
                    }
                    if (consec == 3)
                        break;
                }
                i += length - 1;
                // The same from the end of the run.
                consec = 0;
                for (j = 0; j < length; ++j) {
                    if (j >= 8 && discards[i - j] == 1)
                        break;
                    if (discards[i - j] == 2) {
                        consec = 0;
                        discards[i - j] = 0;
                    } else if (discards[i - j] == 0) {
                        consec = 0;
                    } else {
                        consec++;
                    }
                    if (consec == 3)
                        break;
                }
            }
        }
    }

    for (int f = 0; f < 2; ++f) {
        Side& side = sides[f];
        Offset end = side.lines();
        side.undiscarded.clear();
        side.realindex.clear();
        for (Offset i = 0; i < end; ++i) {
            if (discarded[f][static_cast<std::size_t>(i)] == 0) {
                side.undiscarded.push_back(side.equivs[static_cast<std::size_t>(i)]);
                side.realindex.push_back(i);
            } else {
                side.changed[i] = 1;
            }
        }
    }
}

struct Partition {
    Offset xmid, ymid;
    bool lo_minimal, hi_minimal;
};

/* The O(ND) comparison of Myers over the undiscarded lines, splitting at
 * middle snakes. fd and bd are the forward and backward diagonal vectors,
 * indexed by diagonal x - y (they point into storage that covers every
 * diagonal from -(ylen + 1) to xlen + 1). */
class Comparer {
public:
    Comparer(Side& x, Side& y) : x_(x), y_(y)
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
    /* diag: finds the midpoint of the shortest edit script of
     * x[xoff, xlim) and y[yoff, ylim), searching forward from the top-left
     * and backward from the bottom-right until the two searches overlap.
     * Sets part to a point (xmid, ymid) on an optimal path, or, when the cost
     * exceeds too_expensive_ and minimal is false, to the best point found. */
    void diag(Offset xoff, Offset xlim, Offset yoff, Offset ylim, bool minimal, Partition& part)
    {
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
            Partition part{};
            diag(xoff, xlim, yoff, ylim, minimal, part);
            compareseq(xoff, part.xmid, yoff, part.ymid, part.lo_minimal);
            compareseq(part.xmid, xlim, part.ymid, ylim, part.hi_minimal);
        }
    }

    Side& x_;
    Side& y_;
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
void shift_boundaries(Side sides[2])
{
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

void fill_details(Change& c, const Lines& second, unsigned options)
{
    if (options & (diff_options::keep_text | diff_options::keep_commands))
        c.text = std::string(second.range(c.line1, c.inserted));
    if (options & diff_options::keep_commands) {
        if (c.deleted)
            c.delete_command = format("d%lu %lu\n", ul(c.line0 + 1), ul(c.deleted));
        if (c.inserted)
            c.add_command = format("a%lu %lu\n", ul(c.line0 + c.deleted), ul(c.inserted));
    }
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

    Side sides[2];
    ClassTable table(m0 + m1, options);
    const Lines* texts[2] = {&first, &second};
    const std::size_t counts[2] = {m0, m1};
    for (int f = 0; f < 2; ++f) {
        sides[f].equivs.resize(counts[f]);
        for (std::size_t i = 0; i < counts[f]; ++i)
            sides[f].equivs[i] = table.classify(texts[f]->line(prefix + i));
        sides[f].changed_store.assign(counts[f] + 2, 0);
        sides[f].changed = sides[f].changed_store.data() + 1;
    }

    discard_confusing_lines(sides, table.count());
    Comparer(sides[0], sides[1]).run();
    shift_boundaries(sides);

    // Collect the runs from the end, so that the list comes out in file order.
    std::vector<Change> changes;
    const char* c0 = sides[0].changed;
    const char* c1 = sides[1].changed;
    Offset i0 = static_cast<Offset>(m0), i1 = static_cast<Offset>(m1);
    while (i0 > 0 || i1 > 0) {
        if ((i0 > 0 && c0[i0 - 1]) || (i1 > 0 && c1[i1 - 1])) {
            Offset line0 = i0, line1 = i1;
            while (i0 > 0 && c0[i0 - 1])
                --i0;
            while (i1 > 0 && c1[i1 - 1])
                --i1;
            Change c;
            c.line0 = prefix + static_cast<std::size_t>(i0);
            c.deleted = static_cast<std::size_t>(line0 - i0);
            c.line1 = prefix + static_cast<std::size_t>(i1);
            c.inserted = static_cast<std::size_t>(line1 - i1);
            changes.push_back(std::move(c));
        }
        --i0;
        --i1;
    }
    std::reverse(changes.begin(), changes.end());
    for (Change& c : changes)
        fill_details(c, second, options);
    return changes;
}

}  // namespace vyn::versions

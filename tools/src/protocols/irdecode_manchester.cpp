// Decoders of the Manchester protocols: rc5, rc5_sz, rc5x_20 and the rc6
// family. A frame is read onto a grid of half-bit slots: each value covers a
// whole number of slots, the level must change in the middle of every bit and
// may change between bits, and some slots (rc6's leader, rc5x's long space)
// have a fixed level. Of the ways the values can cover the grid, the one that
// fits their lengths best is kept (dynamic programming over values and slots),
// so that a value which alone could be read two ways (a 3-slot space 20 %
// short looks like a 2-slot one) is read the way the rest of the frame allows.
#include "irdecode.h"

#include <algorithm>
#include <cmath>

namespace lumo::ir::detail {

namespace {

constexpr std::size_t kMaxSlots = 88;       // rc6 with 32 data bits: 84
constexpr std::size_t kMaxFrameValues = 88; // more values than any frame read here holds
constexpr std::size_t kMaxRun = 8;          // rc6's leader: 6; rc5x's space: 4, and a half bit either side
constexpr std::size_t kWidth = 8;           // slots kept per value
// Another reading of a frame must cost more than the best (in squared errors,
// each in units of its tolerance) by a margin, or the frame is ambiguous.
// Other readings are looked for with values this many tolerances off, so that
// the true one is seen even where it is off by more than the best.
// The margin grows with how far the frame's values stray as a whole (its
// score, the mean squared error): an exact frame needs little.
constexpr double kClearLeast = 0.3;
constexpr double kClearMost = 1.5;
constexpr double kClearPerScore = 6;
constexpr double kWideError = 2;
constexpr float kPrune = 5; // ways this much costlier than the cheapest are dropped
// Nor may the values of a kind (pulses or spaces of the same number of slots)
// spread wider than this share of their length: these frames carry no check,
// and the wider a remote's values stray, the likelier another code fits them.
constexpr double kSpread = 0.42;

enum Edge : uint8_t { kNoEdge, kMayEdge, kMustEdge };

// Where a frame's slots may and must change level, which levels are fixed,
// and where its last pulse may end.
struct Layout
{
    double unit = 0;           // nominal slot, us
    std::size_t firstSlot = 0; // where the first pulse starts
    std::size_t slots = 0;     // of the longest frame
    uint8_t edge[kMaxSlots + 1] = {};
    int8_t level[kMaxSlots] = {}; // 1 pulse, 0 space, -1 either
    bool end[kMaxSlots + 1] = {};
};

// Manchester bits from slot `from` on: the level changes in each middle and
// may change between bits.
void bitSlots(Layout &l, std::size_t from, int count)
{
    for (int b = 0; b < count; ++b) {
        l.edge[from + 2 * b] = std::max<uint8_t>(l.edge[from + 2 * b], kMayEdge);
        l.edge[from + 2 * b + 1] = kMustEdge;
        l.level[from + 2 * b] = l.level[from + 2 * b + 1] = -1;
    }
    l.edge[from + 2 * count] = std::max<uint8_t>(l.edge[from + 2 * count], kMayEdge);
}

// A frame of `bits` bits ending at slot `slots`: its last pulse ends at the
// end of the last bit or, when that bit's second half is a space, in its middle.
void endsAfter(Layout &l, std::size_t slots)
{
    l.end[slots] = true;
    l.end[slots - 1] = true;
}

// rc5 (14 bits), rc5_sz (15): the start bit 1 (space, then pulse) begins in
// the silence before the frame. rc5x_20: four slots of space after 8 bits.
Layout rc5Layout(int bits, bool extraSpace)
{
    Layout l;
    l.unit = kRc5Half;
    l.firstSlot = 1;
    if (!extraSpace) {
        bitSlots(l, 0, bits);
        l.slots = 2 * std::size_t(bits);
    } else {
        bitSlots(l, 0, 8);
        for (std::size_t s = 16; s < 20; ++s)
            l.level[s] = 0;
        l.edge[17] = l.edge[18] = l.edge[19] = kNoEdge;
        bitSlots(l, 20, bits - 8);
        l.slots = 2 * std::size_t(bits) + 4;
    }
    l.level[0] = 0;
    l.level[1] = 1;
    endsAfter(l, l.slots);
    return l;
}

// rc6: leader (6 slots of pulse, 2 of space), start bit 1 (pulse, then
// space), 3 mode bits, the trailer bit of two-slot halves, then 16, 20, 24
// or 32 data bits.
Layout rc6Layout()
{
    Layout l;
    l.unit = kRc6Unit;
    l.firstSlot = 0;
    for (std::size_t s = 0; s < 8; ++s)
        l.level[s] = s < 6;
    l.edge[6] = l.edge[8] = kMustEdge;
    bitSlots(l, 8, 4); // start bit and mode
    l.level[8] = 1;
    l.level[9] = 0;
    l.edge[16] = kMayEdge; // trailer
    l.edge[18] = kMustEdge;
    l.level[16] = l.level[17] = l.level[18] = l.level[19] = -1;
    bitSlots(l, 20, 32);
    l.slots = 84;
    for (std::size_t bits : { 16, 20, 24, 32 })
        endsAfter(l, 20 + 2 * bits);
    return l;
}

// How values [from, to) cover a layout: each value's length in slots.
struct Path
{
    uint8_t runs[kMaxFrameValues];
    std::size_t count = 0;
    std::size_t endSlot = 0;
    double cost = 0;     // sum of the squared errors, in units of the tolerance
    double runnerUp = 0; // the same for the next best way
    bool other = false;  // there is a next best way:
    uint8_t otherRuns[kMaxFrameValues];
};

// The best way values [from, to), the first a pulse at l.firstSlot, cover l
// for a slot of u us and a skew (pulses longer by it, spaces shorter): every
// value within its tolerance, a quarter of its length plus 40 us. False if
// there is none. Also the next best way (another reading of the frame), with
// values up to kWideError tolerances off.
bool bestPath(const Span &s, std::size_t from, std::size_t to, const Layout &l, double u, double skew,
              Path &out)
{
    const std::size_t n = to - from;
    if (n == 0 || n > kMaxFrameValues || n % 2 == 0)
        return false;
    // the two cheapest ways to reach a slot with a value, each from a way of
    // the value before (node, and which of its two)
    struct Way
    {
        float cost;
        uint8_t node, rank;
    };
    struct Node
    {
        uint8_t slot, ways;
        Way way[2];
    };
    Node nodes[kMaxFrameValues][kWidth];
    std::size_t width[kMaxFrameValues];
    auto add = [&](std::size_t j, std::size_t q, Way w) {
        std::size_t at = 0;
        while (at < width[j] && nodes[j][at].slot != q)
            ++at;
        if (at == width[j]) {
            if (width[j] < kWidth) {
                ++width[j];
            } else { // the kWidth cheapest slots
                at = 0;
                for (std::size_t x = 1; x < kWidth; ++x)
                    if (nodes[j][x].way[0].cost > nodes[j][at].way[0].cost)
                        at = x;
                if (nodes[j][at].way[0].cost <= w.cost)
                    return;
            }
            nodes[j][at] = Node{ uint8_t(q), 1, { w, w } };
            return;
        }
        Node &node = nodes[j][at];
        if (w.cost < node.way[0].cost) {
            node.way[1] = node.way[0];
            node.way[0] = w;
            node.ways = 2;
        } else if (node.ways < 2 || w.cost < node.way[1].cost) {
            node.way[1] = w;
            node.ways = 2;
        }
    };
    for (std::size_t j = 0; j < n; ++j) {
        width[j] = 0;
        const bool pulse = j % 2 == 0;
        const double v = double(s.v[from + j]) - (pulse ? skew : -skew);
        const std::size_t sources = j ? width[j - 1] : 1;
        for (std::size_t a = 0; a < sources; ++a) {
            const std::size_t p = j ? nodes[j - 1][a].slot : l.firstSlot;
            for (std::size_t r = 1; r <= kMaxRun && p + r <= l.slots; ++r) {
                const std::size_t q = p + r;
                const int8_t fixed = l.level[q - 1];
                if ((fixed >= 0 && fixed != int8_t(pulse)) || (r > 1 && l.edge[q - 1] == kMustEdge))
                    break;
                if (l.edge[q] == kNoEdge || (j + 1 == n && !l.end[q]))
                    continue;
                const double e = (v - double(r) * u) / (0.25 * double(r) * u + 40);
                if (e < -kWideError || e > kWideError)
                    continue;
                const std::size_t ways = j ? nodes[j - 1][a].ways : 1;
                for (std::size_t rank = 0; rank < ways; ++rank) {
                    const double before = j ? nodes[j - 1][a].way[rank].cost : 0;
                    add(j, q, Way{ float(before + e * e), uint8_t(a), uint8_t(rank) });
                }
            }
        }
        if (!width[j])
            return false;
        // ways far costlier than the cheapest can be neither the best nor a
        // rival to it
        float cheapest = nodes[j][0].way[0].cost;
        for (std::size_t x = 1; x < width[j]; ++x)
            cheapest = std::min(cheapest, nodes[j][x].way[0].cost);
        std::size_t kept = 0;
        for (std::size_t x = 0; x < width[j]; ++x) {
            Node node = nodes[j][x];
            if (node.way[0].cost > cheapest + kPrune)
                continue;
            if (node.ways == 2 && node.way[1].cost > cheapest + kPrune)
                node.ways = 1;
            nodes[j][kept++] = node;
        }
        width[j] = kept;
    }
    // the cheapest way to an end, and the next cheapest
    std::size_t best = 0, bestRank = 0, next = 0, nextRank = 0;
    double runnerUp = 1e30;
    for (std::size_t x = 0; x < width[n - 1]; ++x)
        for (std::size_t rank = 0; rank < nodes[n - 1][x].ways; ++rank) {
            const double cost = nodes[n - 1][x].way[rank].cost;
            if (cost < nodes[n - 1][best].way[bestRank].cost) {
                runnerUp = nodes[n - 1][best].way[bestRank].cost;
                next = best;
                nextRank = bestRank;
                best = x;
                bestRank = rank;
            } else if ((x != best || rank != bestRank) && cost < runnerUp) {
                runnerUp = cost;
                next = x;
                nextRank = rank;
            }
        }
    auto runsOf = [&](std::size_t node, std::size_t rank, uint8_t *runs) {
        for (std::size_t j = n; j-- > 0;) {
            const Way &way = nodes[j][node].way[rank];
            const std::size_t start = j ? nodes[j - 1][way.node].slot : l.firstSlot;
            runs[j] = uint8_t(nodes[j][node].slot - start);
            node = way.node;
            rank = way.rank;
        }
    };
    out.count = n;
    out.endSlot = nodes[n - 1][best].slot;
    out.cost = nodes[n - 1][best].way[bestRank].cost;
    out.runnerUp = runnerUp;
    runsOf(best, bestRank, out.runs);
    out.other = runnerUp < 1e30;
    if (out.other)
        runsOf(next, nextRank, out.otherRuns);
    // the best way itself within the tolerance
    for (std::size_t j = 0; j < n; ++j) {
        const double r = out.runs[j];
        const double v = double(s.v[from + j]) - (j % 2 == 0 ? skew : -skew);
        if (std::fabs(v - r * u) > 0.25 * r * u + 40)
            return false;
    }
    return true;
}

// Slot length and skew of values [from, to) against a path's runs: least
// squares weighted by 1/length, so that a long leader does not outweigh the
// bits. False when the runs leave them undetermined.
bool fitPath(const Span &s, std::size_t from, std::size_t count, const uint8_t *runs, double &u, double &skew)
{
    double nn = 0, ns = 0, ss = 0, nd = 0, sd = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const double nominal = runs[j];
        const double w = 1 / nominal;
        const double sign = j % 2 == 0 ? 1 : -1;
        const double d = s.v[from + j];
        nn += w * nominal * nominal;
        ns += w * nominal * sign;
        ss += w;
        nd += w * nominal * d;
        sd += w * sign * d;
    }
    const double det = nn * ss - ns * ns;
    if (std::fabs(det) < 1e-9 * nn * ss)
        return false;
    u = (nd * ss - ns * sd) / det;
    skew = (nn * sd - ns * nd) / det;
    return true;
}

// The median of the values below the widest ratio between two neighbours in
// sorted order (all of them when no ratio reaches 1.3): the typical one-slot
// value of a level.
double shortMedian(double *v, std::size_t n)
{
    std::sort(v, v + n);
    std::size_t cut = n;
    double widest = 1.3;
    for (std::size_t a = 1; a < n; ++a)
        if (v[a] > widest * v[a - 1]) {
            widest = v[a] / v[a - 1];
            cut = a;
        }
    return v[cut / 2];
}

// A first guess at slot length and skew from values [from, to): the typical
// one-slot pulse is a slot plus the skew, the typical one-slot space a slot
// minus it.
bool clusterSeed(const Span &s, std::size_t from, std::size_t to, double &u, double &skew)
{
    double pulses[kMaxFrameValues], spaces[kMaxFrameValues];
    std::size_t np = 0, ns = 0;
    for (std::size_t j = from; j < to && np < kMaxFrameValues && ns < kMaxFrameValues; ++j)
        ((j - from) % 2 == 0 ? pulses[np++] : spaces[ns++]) = s.v[j];
    if (!np || !ns)
        return false;
    const double p = shortMedian(pulses, np), sp = shortMedian(spaces, ns);
    u = (p + sp) / 2;
    skew = (p - sp) / 2;
    return true;
}

// Skew from pulse+space pairs two slots long (one slot each).
double pairSkew(const Span &s, std::size_t from, std::size_t to, double slot)
{
    double sum = 0;
    int count = 0;
    for (std::size_t j = from; j + 1 < to; j += 2) {
        const double period = double(s.v[j]) + s.v[j + 1];
        if (period > 1.5 * slot && period < 2.5 * slot) {
            sum += (double(s.v[j]) - s.v[j + 1]) / 2;
            ++count;
        }
    }
    return count ? sum / count : 0;
}

// Whether runs (pulse first, at l.firstSlot) cover layout l.
bool covers(const Layout &l, const uint8_t *runs, std::size_t count)
{
    std::size_t p = l.firstSlot;
    for (std::size_t j = 0; j < count; ++j) {
        const int8_t level = j % 2 == 0;
        for (std::size_t r = 1; r <= runs[j]; ++r) {
            const std::size_t q = p + r;
            if (q > l.slots || (l.level[q - 1] >= 0 && l.level[q - 1] != level)
                || (r > 1 && l.edge[q - 1] == kMustEdge))
                return false;
        }
        p += runs[j];
        if (l.edge[p] == kNoEdge)
            return false;
    }
    return l.end[p];
}

// Whether a reading costing other is clearly worse than the best, path.
bool clearlyWorse(double other, const Path &path)
{
    const double score = path.cost / double(path.count);
    return other - path.cost >= std::max(kClearLeast, std::min(kClearMost, kClearPerScore * score));
}

struct Reading
{
    Path path;
    double k = 0, skew = 0, score = 0;
};

// Reads values [from, to) onto layout l from a guess of slot length and skew,
// refitting both to the path found until it no longer changes. The clock
// scale and the skew must be plausible.
bool readFrom(const Span &s, std::size_t from, std::size_t to, const Layout &l, double u, double skew,
              Reading &out)
{
    Path path, last;
    for (int pass = 0; pass < 4; ++pass) {
        if (!scaleOk(u / l.unit) || !bestPath(s, from, to, l, u, skew, path))
            return false;
        if (pass > 0 && std::equal(path.runs, path.runs + path.count, last.runs))
            break;
        last = path;
        const double oldU = u, oldSkew = skew;
        if (!fitPath(s, from, path.count, path.runs, u, skew))
            return false;
        // (a fit that hardly moved gives the same path again)
        if (std::fabs(u - oldU) < 0.005 * oldU && std::fabs(skew - oldSkew) < 0.005 * oldU)
            break;
    }
    if (!scaleOk(u / l.unit) || !skewOk(skew, u) || !clearlyWorse(path.runnerUp, path))
        return false;
    double lowest[2][kMaxRun + 1], highest[2][kMaxRun + 1];
    std::fill(&lowest[0][0], &lowest[0][0] + 2 * (kMaxRun + 1), 1e12);
    std::fill(&highest[0][0], &highest[0][0] + 2 * (kMaxRun + 1), 0.0);
    for (std::size_t j = 0; j < path.count; ++j) {
        double &low = lowest[j % 2][path.runs[j]], &high = highest[j % 2][path.runs[j]];
        low = std::min<double>(low, s.v[from + j]);
        high = std::max<double>(high, s.v[from + j]);
    }
    for (std::size_t level = 0; level < 2; ++level)
        for (std::size_t r = 1; r <= kMaxRun; ++r)
            if (highest[level][r] - lowest[level][r] > kSpread * double(r) * u)
                return false;
    // The next best reading, fitted on its own, must be clearly worse too.
    double u2 = 0, skew2 = 0;
    if (path.other && fitPath(s, from, path.count, path.otherRuns, u2, skew2)) {
        double cost = 0;
        for (std::size_t j = 0; j < path.count; ++j) {
            const double r = path.otherRuns[j];
            const double v = double(s.v[from + j]) - (j % 2 == 0 ? skew2 : -skew2);
            const double e = (v - r * u2) / (0.25 * r * u2 + 40);
            cost += e * e;
            if (e > kWideError || e < -kWideError)
                cost = 1e30;
        }
        if (!clearlyWorse(cost, path))
            return false;
    }
    // A reading one value away (possible where a long run can be a slot
    // shorter and what follows a slot later, the end's last half bit being
    // silence) must be clearly worse on that value alone.
    for (std::size_t j = 0; j < path.count; ++j) {
        const double v = double(s.v[from + j]) - (j % 2 == 0 ? skew : -skew);
        const double r = path.runs[j];
        const double e = (v - r * u) / (0.25 * r * u + 40);
        for (int delta : { -1, 1 }) {
            const double other = r + delta;
            if (other < 1 || other > double(kMaxRun))
                continue;
            const double e2 = (v - other * u) / (0.25 * other * u + 40);
            if (clearlyWorse(path.cost + e2 * e2 - e * e, path))
                continue;
            uint8_t runs[kMaxFrameValues];
            std::copy(path.runs, path.runs + path.count, runs);
            runs[j] = uint8_t(other);
            if (covers(l, runs, path.count))
                return false;
        }
    }
    out.path = path;
    out.k = u / l.unit;
    out.skew = skew;
    out.score = path.cost / double(path.count);
    return true;
}

// Reads values [from, to) onto l from each guess, the one from the values'
// own one-slot lengths (those from seedFrom on: a leader left out) first;
// keeps the best fit. guessK: a scale from the frame's leader or length.
bool readManchester(const Span &s, std::size_t from, std::size_t seedFrom, std::size_t to, const Layout &l,
                    double guessK, Reading &out)
{
    bool any = false;
    double u = 0, skew = 0;
    if (clusterSeed(s, seedFrom, to, u, skew) && readFrom(s, from, to, l, u, skew, out)) {
        if (out.score < 0.1)
            return true;
        any = true;
    }
    Reading other;
    if (readFrom(s, from, to, l, guessK * l.unit, pairSkew(s, from, to, guessK * l.unit), other)
        && (!any || other.score < out.score)) {
        out = other;
        any = true;
    }
    return any;
}

// The slots' levels a path gives (1 pulse), with the layout's fixed ones
// before the first pulse and silence after the last.
void levels(const Layout &l, const Path &path, uint8_t *level)
{
    for (std::size_t at = 0; at < l.slots; ++at)
        level[at] = l.level[at] > 0 ? 1 : 0;
    std::size_t at = l.firstSlot;
    for (std::size_t j = 0; j < path.count; ++j)
        for (std::size_t r = 0; r < path.runs[j]; ++r)
            level[at++] = j % 2 == 0;
    while (at < l.slots)
        level[at++] = 0;
}

struct Rc5Variant
{
    Protocol protocol;
    int bits;
    bool extraSpace;
};

constexpr Rc5Variant kRc5Variants[kRc5VariantCount] = {
    { Protocol::Rc5, 14, false },
    { Protocol::Rc5Sz, 15, false },
    { Protocol::Rc5x20, 20, true },
};

const Layout &rc5VariantLayout(std::size_t variant)
{
    static const Layout layouts[] = {
        rc5Layout(14, false),
        rc5Layout(15, false),
        rc5Layout(20, true),
    };
    return layouts[variant];
}

bool decodeRc5Variant(const Span &s, std::size_t i, std::size_t variant, Hit &hit)
{
    const Rc5Variant &var = kRc5Variants[variant];
    const Layout &l = rc5VariantLayout(variant);
    const double halves = double(l.slots) - 1.5; // first pulse start to last pulse end
    // Find where the frame ends: its length tells the scale.
    double sum = 0, k = 0;
    std::size_t end = 0;
    for (std::size_t j = i; j < s.n; j += 2) {
        sum += s.v[j];
        const double scale = sum / (halves * kRc5Half);
        if (scale > kMaxScale)
            return false;
        if (scale >= kMinScale && (j + 1 == s.n || s.v[j + 1] >= 4 * kRc5Half * scale)) {
            k = scale;
            end = j + 1;
            break;
        }
        if (j + 1 < s.n)
            sum += s.v[j + 1];
    }
    Reading reading;
    if (!end || !readManchester(s, i, i, end, l, k, reading))
        return false;
    if (!endsFrame(s, end, 6 * kRc5Half * reading.k))
        return false;
    uint8_t level[kMaxSlots];
    levels(l, reading.path, level);
    // 1 is space, then pulse; rc5x's space after 8 bits holds no bit
    uint64_t bits = 0;
    for (int b = 0; b < var.bits; ++b) {
        const std::size_t slot = 2 * std::size_t(b) + (var.extraSpace && b >= 8 ? 4 : 0);
        bits = bits << 1 | uint64_t(!level[slot]);
    }
    const int n = var.bits;
    const uint32_t field = bits >> (n - 2) & 1; // S2, an inverted command bit 6
    hit.toggle = int(bits >> (n - 3) & 1);
    if (var.protocol == Protocol::Rc5) {
        hit.scancode = uint32_t((bits >> 6) & 0x1f) << 8 | uint32_t(bits & 0x3f) | (field ? 0 : 0x40);
    } else if (var.protocol == Protocol::Rc5Sz) {
        hit.scancode = field << 13 | uint32_t(bits & 0xfff);
    } else {
        const uint32_t system = bits >> 12 & 0x1f, command = (bits >> 6 & 0x3f) | (field ? 0 : 0x40);
        hit.scancode = system << 16 | command << 8 | uint32_t(bits & 0x3f);
    }
    hit.protocol = var.protocol;
    hit.end = end;
    hit.scale = reading.k;
    hit.score = reading.score;
    return true;
}

} // namespace

bool decodeRc5(const Span &s, std::size_t i, std::size_t variant, Hit &hit)
{
    if (s.v[i] > 2 * kRc5Half * kMaxScale + kMaxSkewUs || variant >= kRc5VariantCount)
        return false;
    return decodeRc5Variant(s, i, variant, hit);
}

bool decodeRc6(const Span &s, std::size_t i, Hit &hit)
{
    static const Layout l = rc6Layout();
    if (i + 3 > s.n)
        return false;
    const double leader = double(s.v[i]) + s.v[i + 1];
    const double k = leader / (8 * kRc6Unit);
    if (!scaleOk(k) || s.v[i] < 0.6 * leader || s.v[i] > 0.9 * leader)
        return false;
    // Inside a frame no space is longer than three slots, a fifth long.
    std::size_t end = s.n;
    for (std::size_t j = i + 3; j < s.n; j += 2)
        if (s.v[j] >= 5 * kRc6Unit * k) {
            end = j;
            break;
        }
    Reading reading;
    if (!readManchester(s, i, i + 2, end, l, k, reading) || !endsFrame(s, end, 6 * kRc6Unit * reading.k))
        return false;
    uint8_t level[kMaxSlots];
    levels(l, reading.path, level);
    // 1 is pulse, then space
    const int mode = level[10] << 2 | level[12] << 1 | level[14];
    const int trailer = level[16];
    const int dataBits = int(reading.path.endSlot - 20 + 1) / 2;
    uint64_t scancode = 0;
    for (int b = 0; b < dataBits; ++b)
        scancode = scancode << 1 | level[20 + 2 * b];
    if (mode == 0 && dataBits == 16) {
        hit.protocol = Protocol::Rc6_0;
        hit.toggle = trailer;
    } else if (mode == 6 && trailer == 0 && dataBits == 20) {
        hit.protocol = Protocol::Rc6_6a20;
    } else if (mode == 6 && trailer == 0 && dataBits == 24) {
        hit.protocol = Protocol::Rc6_6a24;
    } else if (mode == 6 && trailer == 0 && dataBits == 32) {
        if ((scancode & kMceCustomerMask) == kMceCustomer) {
            hit.protocol = Protocol::Rc6Mce;
            hit.toggle = scancode & kMceToggle ? 1 : 0;
            scancode &= ~kMceToggle;
        } else {
            hit.protocol = Protocol::Rc6_6a32;
        }
    } else {
        return false;
    }
    hit.scancode = scancode;
    hit.end = end;
    hit.scale = reading.k;
    hit.score = reading.score;
    return true;
}

} // namespace lumo::ir::detail

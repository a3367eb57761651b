#include "kelmmath/topology/topology.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "kelmmath/core/errors.h"
#include "kelmmath/mesh/facetset.h"
#include "core/internal_hash.h"
#include "mesh/internal_memory.h"
#include "topology/internal_topology.h"

using kelm_internal::TopologyAccess;
using kelm_internal::TopologyTables;

// Keeps a function that only prefetches inlined (GCC drops calls to such functions).
#if defined(__GNUC__)
#define KELM_TOPOLOGY_INLINE __attribute__((always_inline)) inline
#define KELM_TOPOLOGY_PREFETCH(p) __builtin_prefetch((p), 1)
#else
#define KELM_TOPOLOGY_INLINE inline
#define KELM_TOPOLOGY_PREFETCH(p) ((void)(p))
#endif
namespace {

// The per-vertex edge chains of one build: head[lo] is the newest edge whose lower
// vertex is lo, next[e] the edge chained after e. They decide which existing edge a
// side belongs to. In indexed mode a chain that has grown long (a hub vertex) is
// also entered into a pair index, so that a fan around one vertex does not walk an
// ever longer chain for every new side; the index holds exactly the chain's
// entries, so it finds the same edge the walk would.
class EdgeBuilder {
public:
    EdgeBuilder(unsigned vertex_count, kelm_internal::EdgeLookup lookup)
        : head_(vertex_count, KELM_NONE), indexed_(lookup == kelm_internal::EdgeLookup::kIndexed) {
        if (indexed_) chain_len_.assign(vertex_count, 0);
    }

    unsigned find(const TopologyTables& t, unsigned lo, unsigned hi) const {
        if (indexed_ && chain_len_[lo] >= kelm_internal::kLongChain) {
            const unsigned* e = index_.find(pair_key(lo, hi));
            return e ? *e : KELM_NONE;
        }
        const unsigned* higher = t.edge_verts.data();
        for (unsigned e = head_[lo]; e != KELM_NONE; e = next_[e])
            if (higher[2 * e + 1] == hi) return e;
        return KELM_NONE;
    }

    // Puts the new edge e = (lo, hi) at the front of lo's chain.
    void link(const TopologyTables& t, unsigned lo, unsigned hi, unsigned e) {
        next_.push_back(head_[lo]);
        head_[lo] = e;
        if (!indexed_) return;
        const unsigned len = ++chain_len_[lo];
        // The index keeps an existing entry: the chain puts the newest edge first
        // and is walked newest first when the index is seeded, so the first wins.
        if (len > kelm_internal::kLongChain) {
            index_.insert(pair_key(lo, hi), e);
        } else if (len == kelm_internal::kLongChain) {
            for (unsigned c = head_[lo]; c != KELM_NONE; c = next_[c])
                index_.insert(pair_key(lo, t.edge_verts[2 * c + 1]), c);
        }
    }

    unsigned next_size() const { return static_cast<unsigned>(next_.size()); }

private:
    // Never the free key: a corner is always below the vertex count.
    static std::uint64_t pair_key(unsigned lo, unsigned hi) {
        return (static_cast<std::uint64_t>(lo) << 32) | hi;
    }

    std::vector<unsigned> head_;
    std::vector<unsigned> next_;
    std::vector<unsigned> chain_len_;
    kelm_internal::U64Map<unsigned> index_;
    bool indexed_;
};

void fill_none(kelm_uint_vector& list, unsigned n) {
    list.size(0);
    if (n == 0) return;
    if (list.capacity() < n) {
        list.capacity(n);
        kelm_internal::advise_huge_pages(list.data(), sizeof(unsigned) * n);
    }
    list.size(n);
    unsigned* p = list.data();
    for (unsigned i = 0; i < n; ++i) p[i] = KELM_NONE;
}

// Records the side a-b of facet f: finds or creates its edge, links f to it and
// puts it into f's first free slot.
void add_facet_edge(TopologyTables& t, EdgeBuilder& builder, unsigned f, unsigned a, unsigned b) {
    const unsigned lo = a < b ? a : b;
    const unsigned hi = a < b ? b : a;
    unsigned e = builder.find(t, lo, hi);
    if (e == KELM_NONE) {
        e = t.edge_count();
        t.edge_verts.append(lo);
        t.edge_verts.append(hi);
        t.edge_facets.append(f);
        t.edge_facets.append(KELM_NONE);
        builder.link(t, lo, hi, e);
        if (builder.next_size() != t.edge_count()) {
            kelm_ec()->error("Failed topology: internal error: edge size != builder size");
            t.build_ok = 0;
        }
    } else if (t.edge_facets[2 * e + 1] == KELM_NONE) {
        t.edge_facets[2 * e + 1] = f;
    } else {
        // The edge keeps its first two facets; f still lists the edge below.
        kelm_ec()->error("Failed topology - edge v=(%u,%u) already has 2 facets", lo, hi);
        t.build_ok = 0;
    }
    unsigned* slots = t.facet_edges.data() + 3 * f;
    for (unsigned k = 0; k < 3; ++k) {
        if (slots[k] == KELM_NONE) {
            slots[k] = e;
            return;
        }
    }
    kelm_ec()->error("Failed topology - cannot find slot for facet edge");
    t.build_ok = 0;
}

// Whether facet f of fs takes part in the build: present and every corner below nv.
inline const KelmMeshFacet* usable_facet(const KelmMeshFacetSet* fs, unsigned f, unsigned nv) {
    const KelmMeshFacet* facet = fs->getFacet(f);
    if (!facet) return nullptr;
    return (facet->vertex[0] < nv && facet->vertex[1] < nv && facet->vertex[2] < nv) ? facet
                                                                                     : nullptr;
}

// The bucket build. Each vertex has one cache line: the first facet met at the vertex
// and up to seven edges whose lower vertex it is (the higher vertex and the edge
// number, whose top bit is set once the edge has its second facet). A vertex with more
// such edges keeps the rest in an overflow index. A facet thus needs the lines of its
// three corners and nothing else except, for an edge met the second time, that edge's
// second-facet entry; the lines of the facets a few places ahead are fetched while the
// current one is worked on.
class BucketBuilder {
public:
    static constexpr unsigned kSecondSet = 0x80000000u;

    BucketBuilder(TopologyTables& t, const KelmMeshFacetSet* fs, unsigned nv)
        : t_(t), fs_(fs), nv_(nv) {}

    // False when the numbers are too large for the flag bit or the lines would take
    // far more room than the edges: the caller builds otherwise.
    bool ready(unsigned first, unsigned end) {
        const unsigned long long sides = 3ull * (end - first);
        if (sides >= kSecondSet || nv_ > 2 * sides + 64) return false;
        lines_.reset(new Line[nv_ == 0 ? 1 : nv_]);
        kelm_internal::advise_huge_pages(lines_.get(), sizeof(Line) * nv_);
        for (unsigned v = 0; v < nv_; ++v) {
            lines_[v].count = 0;
            lines_[v].first_facet = KELM_NONE;
        }
        // Room for every side as a new edge: storage never touched is never paged in.
        t_.edge_verts.capacity(static_cast<unsigned>(2 * sides));
        t_.edge_facets.capacity(static_cast<unsigned>(2 * sides));
        kelm_internal::advise_huge_pages(t_.edge_verts.data(), sizeof(unsigned) * 2 * sides);
        kelm_internal::advise_huge_pages(t_.edge_facets.data(), sizeof(unsigned) * 2 * sides);
        // An edge gets a second facet from a side other than its first: at most half
        // the sides.
        kelm_internal::reserve_large(seconds_, static_cast<std::size_t>(sides / 2 + 1));
        return true;
    }

    void run(unsigned first, unsigned end) {
        for (unsigned f = first; f < end && f < first + kAhead; ++f) prefetch(f);
        for (unsigned f = first; f < end; ++f) {
            if (f + kAhead < end) prefetch(f + kAhead);
            const KelmMeshFacet* facet = fs_->getFacet(f);
            if (!facet) continue;
            const unsigned c0 = facet->vertex[0], c1 = facet->vertex[1], c2 = facet->vertex[2];
            if (c0 >= nv_ || c1 >= nv_ || c2 >= nv_) {
                kelm_ec()->error("Failed topology - facet %u has a vertex outside the vertex list",
                                 f);
                t_.build_ok = 0;
                continue;
            }
            add_side(f, c0, c1);
            add_side(f, c1, c2);
            add_side(f, c2, c0);
            if (lines_[c0].first_facet == KELM_NONE) lines_[c0].first_facet = f;
            if (lines_[c1].first_facet == KELM_NONE) lines_[c1].first_facet = f;
            if (lines_[c2].first_facet == KELM_NONE) lines_[c2].first_facet = f;
        }
        // The second facets, each to a random place: in one tight pass of stores,
        // their lines fetched a few stores ahead.
        unsigned* facets = t_.edge_facets.data();
        const std::size_t n = seconds_.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (i + kAhead < n) KELM_TOPOLOGY_PREFETCH(facets + 2 * seconds_[i + kAhead].edge + 1);
            facets[2 * seconds_[i].edge + 1] = seconds_[i].facet;
        }
        unsigned* firsts = t_.vertex_facet.data();
        for (unsigned v = 0; v < nv_; ++v) firsts[v] = lines_[v].first_facet;
    }

private:
    static constexpr unsigned kAhead = 16;
    static constexpr unsigned kInLine = 7;

    struct Entry {
        unsigned hi;
        unsigned edge;
    };
    struct alignas(64) Line {
        unsigned count;  // edges in the line; kInLine: more may be in the overflow index
        unsigned first_facet;
        Entry entries[kInLine];
    };

    KELM_TOPOLOGY_INLINE void prefetch(unsigned f) const {
        const KelmMeshFacet* facet = usable_facet(fs_, f, nv_);
        if (!facet) return;
        for (unsigned k = 0; k < 3; ++k) KELM_TOPOLOGY_PREFETCH(&lines_[facet->vertex[k]]);
    }

    // The entry of edge (lo, hi), or null.
    unsigned* find(unsigned lo, unsigned hi) {
        Line& line = lines_[lo];
        for (unsigned i = 0; i < line.count; ++i)
            if (line.entries[i].hi == hi) return &line.entries[i].edge;
        if (line.count < kInLine) return nullptr;
        auto it = overflow_.find((static_cast<std::uint64_t>(lo) << 32) | hi);
        return it == overflow_.end() ? nullptr : &it->second;
    }

    void insert(unsigned lo, unsigned hi, unsigned e) {
        Line& line = lines_[lo];
        if (line.count < kInLine)
            line.entries[line.count++] = Entry{hi, e};
        else
            overflow_.emplace((static_cast<std::uint64_t>(lo) << 32) | hi, e);
    }

    void add_side(unsigned f, unsigned a, unsigned b) {
        const unsigned lo = a < b ? a : b;
        const unsigned hi = a < b ? b : a;
        unsigned* entry = find(lo, hi);
        unsigned e;
        if (!entry) {
            e = t_.edge_count();
            t_.edge_verts.append(lo);
            t_.edge_verts.append(hi);
            t_.edge_facets.append(f);
            t_.edge_facets.append(KELM_NONE);
            insert(lo, hi, e);
        } else if (!(*entry & kSecondSet)) {
            e = *entry;
            defer_second(e, f);
            *entry |= kSecondSet;
        } else {
            e = *entry & ~kSecondSet;
            kelm_ec()->error("Failed topology - edge v=(%u,%u) already has 2 facets", lo, hi);
            t_.build_ok = 0;
        }
        unsigned* slots = t_.facet_edges.data() + 3 * f;
        for (unsigned k = 0; k < 3; ++k) {
            if (slots[k] == KELM_NONE) {
                slots[k] = e;
                return;
            }
        }
        kelm_ec()->error("Failed topology - cannot find slot for facet edge");
        t_.build_ok = 0;
    }

    // The second facet of an edge lands at a random place in a large table: it is
    // noted here in order and stored once the lines are done with. Nothing reads
    // these entries during the build.
    void defer_second(unsigned e, unsigned f) { seconds_.push_back(Second{e, f}); }

    struct Second {
        unsigned edge;
        unsigned facet;
    };
    std::vector<Second> seconds_;

    TopologyTables& t_;
    const KelmMeshFacetSet* fs_;
    unsigned nv_;
    std::unique_ptr<Line[]> lines_;
    std::unordered_map<std::uint64_t, unsigned> overflow_;
};

}  // namespace

namespace kelm_internal {

void build_tables(TopologyTables& t, const KelmMeshFacetSet* fs, unsigned first, unsigned count,
                  EdgeLookup lookup) {
    t.facet_set = fs;
    t.edge_verts.size(0);
    t.edge_facets.size(0);
    t.facet_edges.size(0);
    t.vertex_facet.size(0);
    if (!fs) return;

    const unsigned nv = fs->getVertexCount();
    const unsigned nf = fs->getFacetCount();
    EdgeBuilder builder(nv, lookup);
    fill_none(t.vertex_facet, nv);
    fill_none(t.facet_edges, 3 * nf);

    // A range reaching past the set stops at its end.
    const unsigned end = (first >= nf) ? first : (count > nf - first ? nf : first + count);
    if (lookup == EdgeLookup::kBuckets) {
        BucketBuilder buckets(t, fs, nv);
        if (buckets.ready(first, end)) {
            buckets.run(first, end);
            return;
        }
    }
    for (unsigned f = first; f < end; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        const unsigned c0 = facet->vertex[0], c1 = facet->vertex[1], c2 = facet->vertex[2];
        if (c0 >= nv || c1 >= nv || c2 >= nv) {
            // No table has room for such a corner; the facet stays out of the tables.
            kelm_ec()->error("Failed topology - facet %u has a vertex outside the vertex list", f);
            t.build_ok = 0;
            continue;
        }
        add_facet_edge(t, builder, f, c0, c1);
        add_facet_edge(t, builder, f, c1, c2);
        add_facet_edge(t, builder, f, c2, c0);
        unsigned* firsts = t.vertex_facet.data();
        if (firsts[c0] == KELM_NONE) firsts[c0] = f;
        if (firsts[c1] == KELM_NONE) firsts[c1] = f;
        if (firsts[c2] == KELM_NONE) firsts[c2] = f;
    }
}

const KelmMeshFacet* facet_of(const KelmMeshFacetSet* fs, unsigned f) {
    if (!fs || f == KELM_NONE || f >= fs->getFacetCount()) return nullptr;
    return fs->getFacet(f);
}

void facet_unit_normal(double* out, const KelmMeshFacetSet* fs, unsigned f) {
    out[0] = out[1] = out[2] = 0.0;
    const KelmMeshFacet* facet = facet_of(fs, f);
    if (!facet) return;
    const unsigned nv = fs->getVertexCount();
    if (facet->vertex[0] >= nv || facet->vertex[1] >= nv || facet->vertex[2] >= nv) return;
    fs->getTriangleNormal(out, facet->vertex[0], facet->vertex[1], facet->vertex[2]);
}

bool facet_has_corner(const KelmMeshFacet* facet, unsigned v) {
    return facet->vertex[0] == v || facet->vertex[1] == v || facet->vertex[2] == v;
}

}  // namespace kelm_internal

KelmMeshTopology::KelmMeshTopology() : tables_(std::make_shared<TopologyTables>()) {}

KelmMeshTopology::KelmMeshTopology(const KelmMeshTopology& other) = default;

KelmMeshTopology& KelmMeshTopology::operator=(const KelmMeshTopology& other) = default;

KelmMeshTopology::~KelmMeshTopology() = default;

void KelmMeshTopology::init(const KelmMeshFacetSet* fs) {
    // Through the virtual form, so that a derived class's build is used.
    init(fs, 0, fs ? fs->getFacetCount() : 0);
}

void KelmMeshTopology::init(const KelmMeshFacetSet* fs, unsigned first, unsigned count) {
    kelm_internal::build_tables(*tables_, fs, first, count, kelm_internal::EdgeLookup::kBuckets);
}

unsigned KelmMeshTopology::getEdgeCount() const {
    return tables_->edge_count();
}

unsigned KelmMeshTopology::getFacetCount() const {
    return tables_->facet_count();
}

unsigned KelmMeshTopology::getEdgeVertex(unsigned e, unsigned i) const {
    return tables_->edge_vert(e, i);
}

unsigned KelmMeshTopology::getEdgeFacet(unsigned e, unsigned i) const {
    return tables_->edge_facet(e, i);
}

unsigned KelmMeshTopology::getFacetEdge(unsigned f, unsigned i) const {
    return tables_->facet_edge(f, i);
}

unsigned KelmMeshTopology::getFacetVertex(unsigned f, unsigned i) const {
    const KelmMeshFacet* facet = kelm_internal::facet_of(tables_->facet_set, f);
    return (facet && i < 3) ? facet->vertex[i] : KELM_NONE;
}

unsigned KelmMeshTopology::getFirstVertexFacet(unsigned v) const {
    return tables_->first_facet(v);
}

const KelmMeshFacetSet* KelmMeshTopology::getFacetSet() const {
    return tables_->facet_set;
}

// The mesh check and repairs for Python: the report as a dict of counts, flags and
// location arrays; repairs return a new Mesh and what they did.

#include "bindings.h"
#include "mesh_object.h"

namespace kelm_python {

namespace {

using Index = py::array_t<std::uint32_t, py::array::c_style>;

Index indices(const std::vector<unsigned>& v) {
    Index out(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), out.mutable_data());
    return out;
}

template <class T, class Get>
Index rows(const std::vector<T>& v, unsigned width, Get get) {
    Index out({static_cast<py::ssize_t>(v.size()), static_cast<py::ssize_t>(width)});
    std::uint32_t* p = out.mutable_data();
    for (std::size_t i = 0; i < v.size(); ++i)
        for (unsigned k = 0; k < width; ++k) p[width * i + k] = get(v[i], k);
    return out;
}

Index edgeRows(const std::vector<KelmMeshCheckEdge>& v) {
    return rows(v, 2, [](const KelmMeshCheckEdge& e, unsigned k) { return k == 0 ? e.v0 : e.v1; });
}

Index pairRows(const std::vector<KelmMeshCheckPair>& v) {
    return rows(v, 2, [](const KelmMeshCheckPair& p, unsigned k) { return k == 0 ? p.first : p.second; });
}

py::dict check(const Mesh& m, bool intersections) {
    KelmMeshCheckReport r;
    kelm_mesh_check(&r, m.fs.get(), intersections ? 1 : 0);
    py::dict d;
    d["vertices"] = r.vertices;
    d["facets"] = r.facets;
    d["edges"] = r.edges;
    d["border_edges"] = rows(r.border_edges, 3, [](const KelmMeshCheckSide& s, unsigned k) {
        return k == 0 ? s.v0 : k == 1 ? s.v1 : s.facet;
    });
    py::list holes;
    for (const KelmMeshCheckHole& h : r.holes) {
        py::dict hole;
        hole["vertices"] = indices(h.vertices);
        hole["edges"] = h.edges;
        hole["closed"] = h.closed;
        hole["length"] = h.length;
        holes.append(hole);
    }
    d["holes"] = holes;
    d["nonmanifold_edges"] = edgeRows(r.nonmanifold_edges);
    d["nonmanifold_vertices"] = indices(r.nonmanifold_vertices);
    d["invalid_facets"] = indices(r.invalid_facets);
    d["degenerate_facets"] = indices(r.degenerate_facets);
    d["zero_area_facets"] = indices(r.zero_area_facets);
    d["duplicate_facets"] = pairRows(r.duplicate_facets);
    d["misoriented_edges"] = edgeRows(r.misoriented_edges);
    py::list parts;
    for (const KelmMeshCheckPart& p : r.parts) {
        py::dict part;
        part["first_facet"] = p.first_facet;
        part["facets"] = p.facets;
        part["closed"] = p.closed;
        part["oriented"] = p.oriented;
        part["volume"] = p.volume;
        part["area"] = p.area;
        parts.append(part);
    }
    d["parts"] = parts;
    d["facet_part"] = indices(r.facet_part);
    d["closed"] = r.closed;
    d["oriented"] = r.oriented;
    d["area"] = r.area;
    d["volume"] = r.volume;
    if (r.intersections_checked) d["self_intersections"] = pairRows(r.self_intersections);
    d["clean"] = r.clean();
    return d;
}

py::tuple repair(const Mesh& m, double weld, bool drop_degenerate, bool drop_zero_area,
                 bool drop_duplicates, bool orient, unsigned min_part_facets,
                 unsigned fill_holes) {
    KelmMeshRepairOptions o;
    o.weld_tolerance = weld;
    o.drop_degenerate = drop_degenerate;
    o.drop_zero_area = drop_zero_area;
    o.drop_duplicates = drop_duplicates;
    o.orient = orient;
    o.min_part_facets = min_part_facets;
    o.fill_holes = fill_holes;
    Mesh out;
    KelmMeshRepairReport r;
    Capture cap;
    const int ok = kelm_mesh_repair(out.fs.get(), &r, m.fs.get(), &o);
    cap.finish("repair", ok == 0);
    py::dict d;
    d["welded_vertices"] = r.welded_vertices;
    d["dropped_degenerate"] = r.dropped_degenerate;
    d["dropped_zero_area"] = r.dropped_zero_area;
    d["dropped_duplicates"] = r.dropped_duplicates;
    d["flipped_facets"] = r.flipped_facets;
    d["orientation_conflicts"] = r.orientation_conflicts;
    d["dropped_parts"] = r.dropped_parts;
    d["dropped_part_facets"] = r.dropped_part_facets;
    d["filled_holes"] = r.filled_holes;
    d["added_facets"] = r.added_facets;
    d["unfilled_holes"] = r.unfilled_holes;
    d["changed"] = r.changed();
    return py::make_tuple(out, d);
}

}  // namespace

void bindCheck(py::module_& m) {
    m.def("check", &check, py::arg("mesh"), py::arg("intersections") = false,
          "What is wrong with a mesh, and where: a dict with the counts (vertices, facets,\n"
          "edges), location arrays (border_edges (k, 3): v0, v1, facet; nonmanifold_edges\n"
          "and misoriented_edges (k, 2); nonmanifold_vertices, invalid_facets,\n"
          "degenerate_facets, zero_area_facets (k,); duplicate_facets (k, 2): facet, first\n"
          "facet with its vertex set; facet_part (m,)), holes and parts as lists of dicts,\n"
          "closed, oriented, area, volume, clean, and with intersections=True\n"
          "self_intersections (k, 2) facet pairs.");
    m.def("repair", &repair, py::arg("mesh"), py::arg("weld") = -1.0,
          py::arg("drop_degenerate") = true, py::arg("drop_zero_area") = false,
          py::arg("drop_duplicates") = true, py::arg("orient") = true,
          py::arg("min_part_facets") = 0u, py::arg("fill_holes") = 0u,
          "Repairs a mesh into a new one: weld (a tolerance, below 0 none), drop\n"
          "degenerate, zero-area and duplicate facets, orient every part consistently and\n"
          "outward, drop parts under min_part_facets, fill holes of up to fill_holes edges.\n"
          "Returns (mesh, what_was_done) where what_was_done is a dict of counts.");
    m.def("split_parts",
          [](const Mesh& mesh) {
              std::vector<KelmMeshFacetSet> parts;
              kelm_mesh_split_parts(&parts, mesh.fs.get());
              py::list out;
              for (KelmMeshFacetSet& p : parts) {
                  Mesh part;
                  *part.fs = std::move(p);
                  out.append(part);
              }
              return out;
          },
          py::arg("mesh"), "The parts of a mesh (facets joined through edges) as new meshes.");
}

}  // namespace kelm_python

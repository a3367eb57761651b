"""Meshes: arrays in and out, faces, files, topology, and refused input."""
import numpy as np
import pytest

import kelmmath as k


def test_box_matches_the_library(box):
    # The same figures the C++ example prints for this box.
    assert (box.vertex_count, box.facet_count, box.area) == (8, 12, 700.0)
    np.testing.assert_array_equal(box.bounds(), [[0, 0, 0], [10, 20, 5]])
    np.testing.assert_array_equal(box.facet_normals()[10], [0, 0, 1])


def test_arrays_round_trip_and_views(box):
    v, f = box.vertices, box.facets
    assert v.shape == (8, 3) and v.dtype == np.float64 and not v.flags.writeable
    assert f.shape == (12, 3) and f.dtype == np.uint32
    again = k.Mesh(v, f.astype(np.int64))
    np.testing.assert_array_equal(again.vertices, v)
    np.testing.assert_array_equal(again.facets, f)
    del box  # the view keeps its mesh alive
    assert v.sum() == 4 * (10 + 20 + 5)
    small = k.Mesh(np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0]], np.float32), [[0, 1, 2]])
    assert small.area == 0.5


@pytest.mark.parametrize("vertices, facets, error", [
    (np.zeros((3, 2)), [[0, 1, 2]], ValueError),               # shape
    (np.zeros((3, 3)), np.array([[0, 1, 2.0]]), TypeError),    # float indices
    (np.array([["a"] * 3] * 3), [[0, 1, 2]], TypeError),       # dtype
    (np.zeros((3, 3)), [[0, 1, 3]], IndexError),               # out of range
    (np.zeros((3, 3)), [[0, -1, 2]], IndexError),              # negative
    (np.array([[0, 0, np.nan]] * 3), [[0, 1, 2]], ValueError),  # NaN
    (np.zeros((3, 3)), np.zeros((2, 4), np.int32), ValueError),
])
def test_bad_mesh_input(vertices, facets, error):
    with pytest.raises(error):
        k.Mesh(vertices, facets)


def test_faces_and_xml_round_trip(box, tmp_path):
    box.add_face(0, 10)
    box.add_face(10, 2, color=0xFF8000, attributes={"finish": "ground", "note": "a<b&c"})
    path = str(tmp_path / "part.xml")
    box.write_xml(path, id="part")
    [(shell_id, back)] = k.read_xml(path)
    assert shell_id == "part"
    np.testing.assert_array_equal(back.vertices, box.vertices)
    np.testing.assert_array_equal(back.facets, box.facets)
    assert back.faces == box.faces
    assert back.faces[1] == {"first": 10, "count": 2, "color": 0xFF8000,
                             "attributes": {"finish": "ground", "note": "a<b&c"}}
    with pytest.raises(IndexError):
        box.add_face(11, 2)
    assert box.to_json("part").startswith('{\nid : "part"')


def test_read_errors_carry_every_message(tmp_path):
    bad = tmp_path / "bad.xml"
    bad.write_text('<shell><verts><v p="1 2"/></verts></shell>')
    with pytest.raises(k.KelmError) as info:
        k.read_xml(str(bad))
    assert info.value.messages[0] == "parsing vector of real: Too few args"
    with pytest.raises(ValueError):
        k.read_xml(str(tmp_path / "missing.xml"))


def test_topology_arrays(box):
    t = k.Topology(box)
    assert t.edge_count == 18
    edges, ef = t.edges(), t.edge_facets()
    assert edges.shape == (18, 2) and (edges[:, 0] < edges[:, 1]).all()
    assert (ef != k.NONE).all() and len(t.border_edges()) == 0
    nb = t.facet_neighbors()
    assert nb.shape == (12, 3) and (nb != k.NONE).all()
    assert sorted(t.vertex_facets(0).tolist()) == sorted(
        np.nonzero((box.facets == 0).any(axis=1))[0].tolist())
    assert t.validate() == (True, [])
    flipped = box.facets.copy()
    flipped[0, [1, 2]] = flipped[0, [2, 1]]
    ok, messages = k.Topology(k.Mesh(box.vertices, flipped)).validate()
    assert not ok and "do not have the same sense" in messages[0]


def test_transformed_copy(box):
    moved = box.transformed(k.xform_translation([1.0, 2.0, 3.0]))
    np.testing.assert_array_equal(moved.vertices, box.vertices + [1, 2, 3])
    assert moved.area == box.area


def test_check_and_repair_locate_and_fix(box):
    facets = box.facets[:11].copy()          # the top's last facet gone: a hole
    facets[0, [1, 2]] = facets[0, [2, 1]]    # and one facet turned over
    open_box = k.Mesh(box.vertices, facets)
    report = k.check(open_box, intersections=True)
    assert (report["closed"], report["oriented"], report["clean"]) == (False, False, False)
    assert [h["edges"] for h in report["holes"]] == [3]
    assert report["border_edges"].shape == (3, 3) and (report["border_edges"][:, 2] == 10).sum() == 1
    assert report["misoriented_edges"].shape == (3, 2)
    assert report["self_intersections"].shape == (0, 2)
    fixed, done = k.repair(open_box, fill_holes=8)
    assert (done["flipped_facets"], done["added_facets"]) == (1, 1)
    again = k.check(fixed)
    assert again["clean"] and again["volume"] == pytest.approx(1000.0, rel=1e-15)
    assert "self_intersections" not in again
    assert [p.facet_count for p in k.split_parts(fixed)] == [12]


@pytest.mark.parametrize("ext, fmt", [("stl", None), ("obj", None), ("ply", None), ("off", None),
                                      ("txt", "stl_ascii"), ("dat", "ply_ascii")])
def test_mesh_files_round_trip(box, tmp_path, ext, fmt):
    rng = np.random.default_rng(7)
    part = k.Mesh(box.vertices + rng.random((8, 3)) / 3, box.facets)
    path = str(tmp_path / f"part.{ext}")
    part.write(path, format=fmt)
    back, info = k.read_mesh(path)
    assert info["file_facets"] == 12 and back.vertex_count == 8
    corners = part.vertices[part.facets]  # STL renumbers vertices in corner order
    if ext == "stl":
        corners = corners.astype(np.float32).astype(np.float64)
    np.testing.assert_array_equal(back.vertices[back.facets], corners)


def test_mesh_file_errors(tmp_path):
    cut = tmp_path / "cut.stl"
    cut.write_text("solid x\nfacet normal 0 0 1\n")
    with pytest.raises(k.KelmError) as info:
        k.read_mesh(str(cut))
    assert info.value.messages[0].startswith(str(cut) + ": line ")
    nan = tmp_path / "nan.off"
    nan.write_text("OFF\n4 2 0\n0 0 0\n1 0 0\n0 1 0\nnan 0 1\n3 0 1 2\n3 0 1 3\n")
    with pytest.warns(k.KelmWarning):
        mesh, info = k.read_mesh(str(nan))
    assert (mesh.facet_count, info["bad_facets"]) == (1, 1)
    with pytest.raises(ValueError):
        k.Mesh.box(0, 0, 0, 1, 1, 1).write(str(tmp_path / "part.dxf"))

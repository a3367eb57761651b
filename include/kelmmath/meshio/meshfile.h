#ifndef KELMMATH_MESHIO_MESHFILE_H
#define KELMMATH_MESHIO_MESHFILE_H

#include <cstddef>
#include <cstdio>

#include "kelmmath/kelmmath_export.h"
#include "kelmmath/mesh/facetset.h"

// Mesh files as other programs write them: STL (binary and ASCII), OBJ, PLY (ASCII,
// binary little- and big-endian) and OFF, read into a facet set and written from one.
//
// Reading. kelm_mesh_file_read replaces the contents of fs (faces included) with the
// mesh of the file and returns 1, or reports through kelm_ec()->error and returns 0,
// leaving fs empty. The memory form reads size bytes at data (name only names the
// source in messages); the FILE* form reads from the current position to the end.
//
// The format is found from the content unless the options name one: "ply" opens a
// PLY file, "OFF" (also "COFF", "NOFF", "4OFF" ...) an OFF file; a file whose size is
// 84 + 50 x the facet count stored at byte 80 is a binary STL, even when it begins
// with "solid"; otherwise "solid" opens an ASCII STL, and text made of OBJ statements
// ("v", "f", "#", ...) an OBJ file. kelm_mesh_file_format_of_name gives the format
// that a file name's extension stands for (for writing).
//
// What is read.
//   STL    every facet becomes a facet with the corners in file order. ASCII keywords
//          may be in any case. The stored facet normal is kept when keep_normals is
//          set (one normal per facet, on its three corners), else dropped: the set
//          computes facet normals from the corners.
//   OBJ    "v x y z [w]" vertices (w ignored), "f" polygons whose corners are "i",
//          "i/t", "i//n" or "i/t/n", counting from 1 or, negative, back from the last
//          vertex so far. Texture references are checked for form and ignored;
//          normal references ("vn") are kept as corner normals when keep_normals is
//          set. Other statements (vt, o, g, s, usemtl, mtllib, l, p ...) are
//          skipped.
//   PLY    the "vertex" element's x, y, z (any numeric type) and the "face" element's
//          vertex_indices or vertex_index list (any integer count and index type).
//          Other elements and properties are skipped in all three encodings.
//   OFF    the vertex and face counts, the vertices (extra values such as colours
//          ignored), and the faces as "n i0 i1 ... [colour]". Comments start with #.
// Polygons with more than three corners are cut into n - 2 triangles by ear clipping
// in the plane that best fits the polygon (Newell's normal): a convex polygon gives
// the fan from its first corner, a concave one triangles that stay inside it. A
// polygon that clipping cannot cut (self-crossing, or collapsed to a line), and one of
// more than 256 corners (clipping takes time cubic in the corners at worst), is cut as
// the fan from its first corner (from the first remaining corner once clipping began). The facets of one polygon are consecutive and keep
// the polygon's orientation.
//
// Welding. Vertices with identical coordinates become one vertex, compared by the bit
// patterns of the three doubles with +0.0 and -0.0 taken as equal; vertices are
// numbered in the order they are first met (the vertex list for OBJ, PLY and OFF, the
// corners in file order for STL), so the vertex and facet orders are stable. weld = 0
// keeps every vertex of the file (every corner for STL). weld_tolerance > 0 then also
// joins vertices that lie within weld_tolerance x the diagonal of the bounding box of
// each other (each to the first-met vertex of its cluster) and numbers the survivors
// again in first-met order. Unused vertices of indexed formats are kept.
//
// Bad input is reported as "<name>: <where>: <what>" with <where> a line number (text),
// a facet number and byte offset (binary STL) or an element number and byte offset
// (binary PLY). Every file error makes the read fail: empty files, an unknown format,
// truncated files, counts larger than the file can hold (checked before anything is
// allocated from them), trailing bytes after a binary STL or PLY body, indices out of
// range, malformed numbers, PLY headers that lie about their elements. Coordinates that
// are not finite are not an error: a facet with such a corner is dropped (keep_bad =
// 0, the default) or kept, and one warning gives the count, the first such facet and
// which of the two happened. A file with no facets at all reads as an error ("holds no
// facets"), never as an empty mesh with success.
//
// Writing. kelm_mesh_file_write writes every facet of fs (null facets skipped) and
// returns 1, or reports and returns 0. Text formats write coordinates with "%.17g", so
// that reading them back gives the same doubles; binary STL stores floats (and a
// facet normal computed from the corners), binary PLY stores doubles. OBJ, PLY and
// OFF write every vertex of the set in order, so a round trip keeps vertex numbers;
// STL writes each facet's three corners and relies on welding to join them again.
// Corner normals are written only by OBJ ("vn" and "i//n") when the set has normals.
// The formats that can be written are binary STL (the default), ASCII STL, OBJ, binary
// little-endian PLY, ASCII PLY and OFF.

enum KelmMeshFileFormat {
    kelm_mesh_file_unknown = 0,  // reading: find the format from the content
    kelm_mesh_file_stl_binary,
    kelm_mesh_file_stl_ascii,
    kelm_mesh_file_obj,
    kelm_mesh_file_ply_ascii,
    kelm_mesh_file_ply_binary_le,
    kelm_mesh_file_ply_binary_be,
    kelm_mesh_file_off
};

struct KelmMeshReadOptions {
    KelmMeshFileFormat format = kelm_mesh_file_unknown;
    int weld = 1;                 // join vertices with identical coordinates
    double weld_tolerance = 0.0;  // > 0: also join within this part of the box diagonal
    int keep_normals = 0;         // STL facet normals, OBJ vn: kept as corner normals
    int keep_bad = 0;             // keep facets with coordinates that are not finite
};

// What a read found (all zero after a failure, except format when it was known).
struct KelmMeshReadInfo {
    KelmMeshFileFormat format = kelm_mesh_file_unknown;
    unsigned int file_vertices = 0;  // vertices (corners for STL) in the file
    unsigned int file_facets = 0;    // facets or polygons in the file
    unsigned int bad_facets = 0;     // facets with coordinates that are not finite
    unsigned int split_polygons = 0; // polygons of more than three corners
};

// Null opts: the defaults above. Null info: not filled.
KELMMATH_API int kelm_mesh_file_read(KelmMeshFacetSet* fs, const char* name,
                                     const KelmMeshReadOptions* opts);
KELMMATH_API int kelm_mesh_file_read(KelmMeshFacetSet* fs, const char* name,
                                     const KelmMeshReadOptions* opts, KelmMeshReadInfo* info);
KELMMATH_API int kelm_mesh_file_read(KelmMeshFacetSet* fs, FILE* fp, const char* name,
                                     const KelmMeshReadOptions* opts, KelmMeshReadInfo* info);
KELMMATH_API int kelm_mesh_mem_read(KelmMeshFacetSet* fs, const void* data, std::size_t size,
                                    const char* name, const KelmMeshReadOptions* opts,
                                    KelmMeshReadInfo* info);

// Writes fs in format (kelm_mesh_file_unknown: binary STL). The file form creates or
// truncates the file and reports "<name>: cannot be opened for writing" when it cannot.
KELMMATH_API int kelm_mesh_file_write(const KelmMeshFacetSet* fs, const char* name,
                                      KelmMeshFileFormat format);
KELMMATH_API int kelm_mesh_file_write(const KelmMeshFacetSet* fs, FILE* fp, const char* name,
                                      KelmMeshFileFormat format);

// The format a file name's extension stands for, in any case: .stl binary STL, .obj,
// .ply binary little-endian PLY, .off; kelm_mesh_file_unknown otherwise.
KELMMATH_API KelmMeshFileFormat kelm_mesh_file_format_of_name(const char* name);

// The format found from the first size bytes of a file (kelm_mesh_file_unknown when
// none fits); file_size is the whole file's size, which tells binary STL apart.
KELMMATH_API KelmMeshFileFormat kelm_mesh_file_detect(const void* data, std::size_t size,
                                                      unsigned long long file_size);

// A short name of the format: "binary STL", "ASCII STL", "OBJ", "ASCII PLY",
// "binary little-endian PLY", "binary big-endian PLY", "OFF" or "unknown".
KELMMATH_API const char* kelm_mesh_file_format_name(KelmMeshFileFormat format);

#endif  // KELMMATH_MESHIO_MESHFILE_H

#ifndef KELMMATH_MESHIO_JSON_WRITER_H
#define KELMMATH_MESHIO_JSON_WRITER_H

#include "kelmmath/core/containers.h"
#include "kelmmath/kelmmath_export.h"

class KelmOutputStream;
class KelmMeshFacetSet;

// The mesh JSON writer: a KelmMeshFacetSet as one object of flat number arrays.
//
//   {
//   id : "part1",                    when id is not null (written as given, unescaped)
//   color : 16711680,                when color is not KELM_NO_COLOR; "%d"
//   verts : [0,0,0,1,0,0,0,1,0],     x, y, z of every vertex slot, "%g"
//   normals : [],                    when the normals flag is set: every normal slot
//   facet_verts : [0,1,2],           vertex indices of the facets written, "%u"
//   facet_normals : []               normals flag: normal indices, "%u"
//   }
//
// (The object ends with "}" and no line break.) Keys are bare words, so the text is
// not strict JSON; "%g" keeps six significant digits. Faces are not written.
//
// The pieces share an int member state: the header sets it to 0; before each member
// a piece writes ",\n" when the state is 1 and otherwise sets it to 1. A caller
// composing an object calls the header once, the facets piece one or more times
// (each call adds its own facet_verts and facet_normals) and the footer.
//
// Facets: an index that is KELM_NONE or names a null facet is reported as
// "kelm_mesh_writer: have NULL facet" through kelm_ec()->error once per list that
// holds it; facet_verts skips it, facet_normals ends there. A facet without all three
// corner normals ends facet_normals silently, so the two lists can differ in length.
// The range form writes nothing (state unchanged) when first is KELM_NONE. A null
// state pointer stands for a state of the piece's own: 0 for the header, 1 (a member
// is already written) for the facets pieces.
//
// Text goes out through KelmOutputStream::put, one piece per call: the keys, " : ",
// " : \"" (after id), the id text, "\"", the colour number, " : [", "]", ",\n", "{\n"
// and "}"; in a list, each number and each "," between two numbers (no blanks). The
// file forms gather the pieces in their own stream and write them in large blocks.
//
// kelm_mesh_json_save flushes the stream at the end; kelm_mesh_json_save_no_faces
// writes the same text without the flush. File forms open the file with
// kelm_fopen(name, "w"); when it cannot be opened they do nothing and report nothing.
KELMMATH_API void kelm_mesh_json_save(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                      const char* id, unsigned int color, int normals);
KELMMATH_API void kelm_mesh_json_save(const char* file, const KelmMeshFacetSet* fs, const char* id,
                                      unsigned int color, int normals);
KELMMATH_API void kelm_mesh_json_save_no_faces(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                               const char* id, unsigned int color, int normals);
KELMMATH_API void kelm_mesh_json_save_no_faces(const char* file, const KelmMeshFacetSet* fs,
                                               const char* id, unsigned int color, int normals);
KELMMATH_API void kelm_mesh_json_save_fragment(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                               kelm_uint_vector* facets, int normals);
KELMMATH_API void kelm_mesh_json_save_fragment(const char* file, const KelmMeshFacetSet* fs,
                                               kelm_uint_vector* facets, int normals);

// "{\n" and the members id, color, verts and normals.
KELMMATH_API void kelm_mesh_json_save_header(KelmOutputStream* os, int* state,
                                             const KelmMeshFacetSet* fs, int normals,
                                             const char* id, unsigned int color);
// facet_verts and facet_normals for facets first .. first+count-1.
KELMMATH_API void kelm_mesh_json_save_facets(KelmOutputStream* os, int* state,
                                             const KelmMeshFacetSet* fs, unsigned int first,
                                             unsigned int count, int normals);
// facet_verts and facet_normals for the listed facets, in list order.
KELMMATH_API void kelm_mesh_json_save_facets(KelmOutputStream* os, int* state,
                                             const KelmMeshFacetSet* fs, kelm_uint_vector* facets,
                                             int normals);
// "}".
KELMMATH_API void kelm_mesh_json_save_footer(KelmOutputStream* os);

#endif  // KELMMATH_MESHIO_JSON_WRITER_H

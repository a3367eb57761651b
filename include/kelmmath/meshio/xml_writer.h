#ifndef KELMMATH_MESHIO_XML_WRITER_H
#define KELMMATH_MESHIO_XML_WRITER_H

#include "kelmmath/core/containers.h"
#include "kelmmath/kelmmath_export.h"

class KelmXMLWriter;
class KelmOutputStream;
class KelmMeshFacetSet;
class KelmMeshFace;

// The mesh XML writer: a KelmMeshFacetSet as one <shell> element.
//
//   <shell id="part1" color="ff0000">       id and color optional
//     <verts>
//       <v p="0 0 0"/>                      one per vertex slot, "%.17g %.17g %.17g"
//       ...
//     </verts>
//     <facets name="wheel" color="00ff00">  one per face (or one for all facets)
//       <f v="0 1 2" fn="0 0 1">            vertex indices "%d %d %d"; fn only with
//         <n d="0 0 1"/>                    facet_normals; one <n> per corner that has a
//       </f>                                normal, "%.15g %.15g %.15g", corners in order
//     </facets>
//   </shell>
//
// Vertex positions carry 17 significant digits, so they read back bit for bit;
// normals carry 15. Vertex slots are written as stored (deleted ones hold the null
// real) and never renumbered: f's v refers to the position of a <v> inside <verts>.
// A corner normal is written as the vector itself; corners without one are left out,
// so an <f> has zero to three <n> children. Null facets are skipped. A colour is an
// unsigned int 0x00RRGGBB written as "%06x"; KELM_NO_COLOR (0xFF000000) writes none.
// When the set has faces, <shell> never carries a colour: each face's <facets>
// element carries the face's string attributes, in order, then its colour.
//
// Every function comes with a KelmMeshXMLOpts* (null: the defaults) and without it.
//
// Writer forms (KelmXMLWriter*) write no XML declaration and do not close the
// writer, so a caller can put several shells into a document of its own, or build a
// shell piece by piece with the header, facets, face and footer functions.
// Stream forms write a whole compact document (declaration, the shell, a final
// newline) and flush the stream. File forms open the file with kelm_fopen(name, "w")
// and write the stream form into it; when the file cannot be opened they do nothing
// and report nothing.
//
//   kelm_mesh_xml_save            the whole set: without faces, the shell with id and
//                                 colour and all facets in one <facets>; with faces,
//                                 the shell with id only and one <facets> per face
//   kelm_mesh_xml_save_no_faces   as for a set without faces, whatever the set holds
//   kelm_mesh_xml_save_fragment   shell with id "fragment", the listed facets in one
//                                 <facets> (entries that are KELM_NONE or name a null
//                                 facet are skipped)
//   kelm_mesh_xml_save_header     opens <shell>, writes its attributes and <verts>
//   kelm_mesh_xml_save_facets     one <facets> for facets first .. first+count-1 with
//                                 the name/value pairs of atts (ended by a null name);
//                                 first == KELM_NONE writes nothing at all. The list
//                                 form writes the listed facets in list order.
//   kelm_mesh_xml_save_face       the <facets> element of one face
//   kelm_mesh_xml_save_footer     closes <shell>
//
// What XML cannot hold. The document written is always well-formed and reads back
// with kelm_mesh_xml_read. A face attribute (or a pair of the range form's atts) is
// written as given when its name is made of ASCII letters, digits, '_', '-', '.' and
// ':' and starts with a letter, '_' or ':', and its value holds only characters XML
// 1.0 carries (well-formed UTF-8 without control characters other than tab, line
// feed and carriage return, nor U+FFFE and U+FFFF). Any other attribute, and one
// whose name repeats a name already written on the element, starts with "kelm.attr."
// or (face attributes only) is "color", the name of the face's colour, is written
// encoded, as the attribute kelm.attr.<n> (n: its position in the list) holding its
// name and value percent-encoded and joined by one space:
//     name "surface finish", value "ground"  ->  kelm.attr.0="surface%20finish ground"
// (bytes '!' to '~' other than '%' stay, every other byte becomes %HH). The reader
// decodes it, so the attribute comes back byte for byte, in its place. Each encoded
// attribute is reported through kelm_ec()->warning, naming the face by its index in
// the set (or "<facets>" for the range form's list) and the attribute:
//     "mesh XML: face %s: attribute \"%s\" %s: written as kelm.attr.%u\n"
// where the middle %s says why: "has a name that is not an XML name", "is named like
// the face colour", "has a name starting with kelm.attr.", "repeats a name of the
// element" or "has a value XML 1.0 cannot carry" (bytes outside printable ASCII in
// the name are shown as \xHH). A face attribute without a name (an empty or missing
// name) ends the face's list as before: it, the attributes after it and the colour are
// not written, and kelm_ec()->error reports it:
//     "mesh XML: face %s: attribute %u has no name: it, the attributes after it and
//      the colour are not written\n"
// The shell's id goes through KelmXMLWriter, which leaves out (and reports) bytes XML
// cannot carry.
//
// Range and list entries at or beyond the facet count are skipped like null facets.
// A corner normal index at or beyond the normal count is left out like KELM_NONE,
// and a facet with a vertex index at or beyond the vertex count gets fn = 0 0 0.
struct KelmMeshXMLOpts {
    KelmMeshXMLOpts() : facet_normals(0) {}

    // Non-zero: every <f> also gets fn, the facet normal computed from its vertices.
    int facet_normals;
};

KELMMATH_API void kelm_mesh_xml_save(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                     const KelmMeshFacetSet* fs, const char* id,
                                     unsigned int color);
KELMMATH_API void kelm_mesh_xml_save(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                     const char* id, unsigned int color);
KELMMATH_API void kelm_mesh_xml_save(KelmOutputStream* os, KelmMeshXMLOpts* opts,
                                     const KelmMeshFacetSet* fs, const char* id,
                                     unsigned int color);
KELMMATH_API void kelm_mesh_xml_save(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                     const char* id, unsigned int color);
KELMMATH_API void kelm_mesh_xml_save(const char* file, KelmMeshXMLOpts* opts,
                                     const KelmMeshFacetSet* fs, const char* id,
                                     unsigned int color);
KELMMATH_API void kelm_mesh_xml_save(const char* file, const KelmMeshFacetSet* fs, const char* id,
                                     unsigned int color);

KELMMATH_API void kelm_mesh_xml_save_no_faces(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, const char* id,
                                              unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_no_faces(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                              const char* id, unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_no_faces(KelmOutputStream* os, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, const char* id,
                                              unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_no_faces(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                              const char* id, unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_no_faces(const char* file, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, const char* id,
                                              unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_no_faces(const char* file, const KelmMeshFacetSet* fs,
                                              const char* id, unsigned int color);

KELMMATH_API void kelm_mesh_xml_save_fragment(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_fragment(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                              kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_fragment(KelmOutputStream* os, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_fragment(KelmOutputStream* os, const KelmMeshFacetSet* fs,
                                              kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_fragment(const char* file, KelmMeshXMLOpts* opts,
                                              const KelmMeshFacetSet* fs, kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_fragment(const char* file, const KelmMeshFacetSet* fs,
                                              kelm_uint_vector* facets);

KELMMATH_API void kelm_mesh_xml_save_header(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                            const KelmMeshFacetSet* fs, const char* id,
                                            unsigned int color);
KELMMATH_API void kelm_mesh_xml_save_header(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                            const char* id, unsigned int color);

KELMMATH_API void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                            const KelmMeshFacetSet* fs, unsigned int first,
                                            unsigned int count, const char** atts);
KELMMATH_API void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                            unsigned int first, unsigned int count,
                                            const char** atts);
KELMMATH_API void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                            const KelmMeshFacetSet* fs, kelm_uint_vector* facets);
KELMMATH_API void kelm_mesh_xml_save_facets(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                            kelm_uint_vector* facets);

KELMMATH_API void kelm_mesh_xml_save_face(KelmXMLWriter* writer, KelmMeshXMLOpts* opts,
                                          const KelmMeshFacetSet* fs, const KelmMeshFace* face);
KELMMATH_API void kelm_mesh_xml_save_face(KelmXMLWriter* writer, const KelmMeshFacetSet* fs,
                                          const KelmMeshFace* face);

KELMMATH_API void kelm_mesh_xml_save_footer(KelmXMLWriter* writer, KelmMeshXMLOpts* opts);
KELMMATH_API void kelm_mesh_xml_save_footer(KelmXMLWriter* writer);

#endif  // KELMMATH_MESHIO_XML_WRITER_H

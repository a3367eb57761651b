#ifndef KELMMATH_MESHIO_XML_READER_H
#define KELMMATH_MESHIO_XML_READER_H

#include "kelmmath/core/containers.h"
#include "kelmmath/core/strings.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/mesh/facetset.h"

struct XML_ParserStruct;  // expat's parser (XML_Parser is a pointer to it)

// The mesh XML shell reader: <shell> elements written by the mesh XML writer
// (kelmmath/meshio/xml_writer.h) read back into facet sets.
//
// What is read: the root's id (its colour is not kept); each <v p="x y z"> becomes a
// vertex; each <facets> starts a face whose range is exactly the <f> elements inside
// it, with a colour property from its color attribute and one attribute property
// holding every other attribute in document order (so a set written without faces
// reads back with one face over all its facets); each <f v="a b c"> becomes a
// facet, and the k-th <n d="i j k"> inside it becomes a new normal on corner k (so
// normals written for corners 0 and 2 come back on corners 0 and 1). The color text
// is read as "%x"; one that holds no hexadecimal number gives KELM_NO_COLOR. Every
// fn, character data, comments and processing instructions are ignored. An attribute
// of <facets> named kelm.attr.<anything> whose value is the writer's encoded form of
// an attribute (kelmmath/meshio/xml_writer.h) becomes that attribute, its name and
// value decoded; with any other value it is kept as it stands.
//
// Number lists are split at blanks, tabs and line breaks; the first three tokens are
// read as unsigned integers ("%u": "-1" reads as KELM_NONE) or reals ("%lg"), further
// tokens are ignored. A list error, an unexpected element, a fourth <n> in an <f> or
// XML that is not well formed is reported through kelm_ec()->error, stops the parse
// and makes the file functions report "Parse error: line %d: %s" and return 0; what
// was read before the error stays in the record(s), including a facet whose vertex
// list failed, with the indices read before the bad one (the rest stay KELM_NONE).
// The file functions take time linear in the file's size, however long its
// attribute values. Messages:
//   "parsing vector of int: Too few args"      "parsing vector of real: Too few args"
//   "parsing vector of integer"                "parsing vector of real"
//   "Syntax error in shell root: unexpected element: %s\n"
//   "Syntax error in shell: <verts>: unexpected child: %s\n"   (likewise <v>, <facets>,
//                                                               <f>, <n>)
//   "Syntax error in shell: root never opened /%s\n"
//   "too many <n> elements in <f>\n"
// A file that cannot be opened gives 0 without a message. Counts are not limited and
// vertex indices are not checked against the vertex count. Nesting depth and entity
// expansion are bounded by expat's own protections.
//
// Embedding: a caller whose own expat parse meets a <shell> hands the parser over with
// kelm_mesh_xml_start_shell_element (from its start-element handler, passing the
// element) or kelm_mesh_xml_read_shell_element (the next element to start is the
// shell). Handing over clears the record's facet set (not its id), saves the parser's
// user data, installs the reader's element handlers and clears the character-data,
// processing-instruction, comment and CDATA handlers. When the shell ends, the reader
// puts the saved user data back, removes its element handlers, calls done(parser)
// (when not null), which must re-install the caller's handlers, and frees its state.
// After an error inside the shell the parse is stopped, done is not called, the
// caller's user data is put back and the reader's state is freed. When the caller's
// parse fails inside a shell for a reason of its own (the document is cut short, for
// example), kelm_mesh_xml_abandon_shell frees the reader's state and gives the parser
// back; KELMXML_ParserFree frees it too, so the state never outlives the parser (a
// parser made with KELMXML_ParserCreate must be freed with KELMXML_ParserFree, not
// with expat's own XML_ParserFree, which knows nothing of it). The state is the
// parser's user data while the shell is open and is found only through it, never by
// the parser's address: a parser made later, even at the same address, cannot see
// it. The reader finds its state through the user data expat hands to the handlers,
// so the caller's parser must pass its user data to them (expat's default).

// One shell read from XML: the facet set plus the shell's id (empty when absent).
// Copying copies the facet set and shares the id text; assignment deep-copies the
// facet set (kelm_mesh_copy) and the id. A move copies like a copy.
class KELMMATH_API KelmMeshShellRecord : public KelmMeshFacetSet {
public:
    KelmMeshShellRecord();
    KelmMeshShellRecord(const KelmMeshShellRecord& other);
    KelmMeshShellRecord(KelmMeshShellRecord&& other);
    KelmMeshShellRecord& operator=(const KelmMeshShellRecord& other);
    KelmMeshShellRecord& operator=(KelmMeshShellRecord&& other);
    ~KelmMeshShellRecord();

    KelmStringObject id;
};

// The owning list of records that kelm_mesh_xml_read fills.
//
// newRecord() appends a new empty record and returns it (null, with a null slot
// appended, when memory runs out). clear() destroys every record. A list always has
// one owner: copying a list copies every record (the copy owns its own records),
// moving hands the records over and leaves the source empty.
class KELMMATH_API KelmMeshShellRecordVec {
public:
    KelmMeshShellRecordVec();
    KelmMeshShellRecordVec(const KelmMeshShellRecordVec& other);
    KelmMeshShellRecordVec(KelmMeshShellRecordVec&& other) noexcept;
    KelmMeshShellRecordVec& operator=(const KelmMeshShellRecordVec& other);
    KelmMeshShellRecordVec& operator=(KelmMeshShellRecordVec&& other) noexcept;
    ~KelmMeshShellRecordVec();

    KelmMeshShellRecord* newRecord();
    void clear();

    unsigned size() const { return records_.size(); }
    KelmMeshShellRecord* get(unsigned i) const {
        return static_cast<KelmMeshShellRecord*>(records_[i]);
    }
    KelmMeshShellRecord* operator[](unsigned i) const { return get(i); }

private:
    kelm_vector records_;
};

// A typed list of record pointers that owns nothing: copying or destroying it never
// touches the records. operator[] gives a reference to slot i, get(i) slot i,
// put(p, i) stores p in slot i (which must exist), append(p) adds p at the end and
// remove(p) takes out the first element equal to p. No member checks an index.
class KelmMeshShellRecordVector : public kelm_detail::ptr_vector<KelmMeshShellRecord> {};

// Appends one record per <shell> found anywhere in the document (name compared
// exactly), in document order; 1 on success, 0 on an open failure or parse error.
KELMMATH_API int kelm_mesh_xml_read(KelmMeshShellRecordVec* recs, const char* file);

// Reads a document whose root element, whatever its name, is the shell.
KELMMATH_API int kelm_mesh_xml_read_shell(KelmMeshShellRecord* rec, const char* file);

// Takes over the parser so that the next element to start is read as the shell root.
KELMMATH_API void kelm_mesh_xml_read_shell_element(XML_ParserStruct* parser,
                                                   KelmMeshShellRecord* rec,
                                                   void (*done)(XML_ParserStruct*));

// For a caller's start-element handler that has just met a <shell>: takes over the
// parser and reads that element (name and expat attribute list) as the shell root.
KELMMATH_API void kelm_mesh_xml_start_shell_element(XML_ParserStruct* parser,
                                                    KelmMeshShellRecord* rec,
                                                    void (*done)(XML_ParserStruct*),
                                                    const char* name, const char** atts);

// When the parser is inside a shell handed over to the reader (after the caller's
// parse failed or was stopped there): frees the reader's state, puts the caller's
// user data back, removes the reader's element handlers and returns 1. Otherwise
// changes nothing and returns 0. done is not called.
KELMMATH_API int kelm_mesh_xml_abandon_shell(XML_ParserStruct* parser);

#endif  // KELMMATH_MESHIO_XML_READER_H

#ifndef KELMMATH_MESH_FACEPROPS_H
#define KELMMATH_MESH_FACEPROPS_H

#include "kelmmath/core/constants.h"
#include "kelmmath/core/strings.h"
#include "kelmmath/kelmmath_export.h"
#include "kelmmath/mesh/faceprop.h"
#include "kelmmath/mesh/facetset.h"

// The library's two face properties, and colour helpers.
//
// KelmMeshFaceColor holds one colour packed as 0x00RRGGBB (red in bits 16-23);
// KELM_NO_COLOR (0xFF000000) means that no colour is set and is the default.
// KelmMeshFaceAtts holds name/value text attributes in insertion order.
//
// For both classes:
//   getFacePropType()  the class's type number, drawn once (first call) and then
//                      the same on every call; never 0
//   find(face)         the first property of the class in the face's list, or null
//                      (null for a null face)
//   make(face)         find(face); when there is none, a new default property is put
//                      at the front of the face's list and returned (null for a null face)
//   duplicate()        a new, unlinked copy owned by the caller
//
// Attributes: setAttribute(name, value) replaces the value of the first entry whose
// name is the same text (case-sensitive) and otherwise appends a new entry, so it
// never creates a second entry for a name; getAttribute(name) is the value text of
// the first entry with that name, null when there is none or its value is empty.
// A null name or value is taken as the empty text. The entries are open through
// getAttributes(): the vector hands out the owned entries in order; entries added
// there directly (as a reader does) are owned and destroyed by the set too, and a
// name may then occur twice.

// One name/value attribute pair. Copy and move construction share both texts; copy
// and move assignment copy them (KelmStringObject::copy).
class KELMMATH_API KelmMeshShellFaceAttribute {
public:
    KelmMeshShellFaceAttribute() = default;
    KelmMeshShellFaceAttribute(const char* name_text, const char* value_text);
    KelmMeshShellFaceAttribute(const KelmMeshShellFaceAttribute& other) = default;
    KelmMeshShellFaceAttribute(KelmMeshShellFaceAttribute&& other) noexcept;
    KelmMeshShellFaceAttribute& operator=(const KelmMeshShellFaceAttribute& other);
    KelmMeshShellFaceAttribute& operator=(KelmMeshShellFaceAttribute&& other) noexcept;
    ~KelmMeshShellFaceAttribute() = default;  // value goes first, then name

    KelmStringObject name;
    KelmStringObject value;
};

// Typed, non-owning vector of attribute entries.
class KelmMeshShellFaceAttributeVec : public kelm_detail::ptr_vector<KelmMeshShellFaceAttribute> {};

class KELMMATH_API KelmMeshFaceColor : public KelmMeshFaceProp {
public:
    explicit KelmMeshFaceColor(unsigned int color = KELM_NO_COLOR);
    KelmMeshFaceColor(const KelmMeshFaceColor& other);
    KelmMeshFaceColor(KelmMeshFaceColor&& other) noexcept;
    KelmMeshFaceColor& operator=(const KelmMeshFaceColor& other) = default;
    ~KelmMeshFaceColor() override;

    unsigned int getType() override;
    KelmMeshFaceProp* duplicate() const override;

    unsigned int getColor() const { return color_; }
    void setColor(unsigned int color) { color_ = color; }

    static unsigned int getFacePropType();
    static KelmMeshFaceColor* find(const KelmMeshFace* face);
    static KelmMeshFaceColor* make(KelmMeshFace* face);

private:
    unsigned int color_;
};

class KELMMATH_API KelmMeshFaceAtts : public KelmMeshFaceProp {
public:
    KelmMeshFaceAtts();
    KelmMeshFaceAtts(const KelmMeshFaceAtts& other);
    KelmMeshFaceAtts(KelmMeshFaceAtts&& other) noexcept;
    KelmMeshFaceAtts& operator=(const KelmMeshFaceAtts& other);
    KelmMeshFaceAtts& operator=(KelmMeshFaceAtts&& other) noexcept;
    ~KelmMeshFaceAtts() override;

    unsigned int getType() override;
    KelmMeshFaceProp* duplicate() const override;

    void setAttribute(const char* name, const char* value);
    const char* getAttribute(const char* name) const;

    KelmMeshShellFaceAttributeVec& getAttributes() { return entries_; }
    const KelmMeshShellFaceAttributeVec& getAttributes() const { return entries_; }

    static unsigned int getFacePropType();
    static KelmMeshFaceAtts* find(const KelmMeshFace* face);
    static KelmMeshFaceAtts* make(KelmMeshFace* face);

private:
    void destroyEntries();
    KelmMeshShellFaceAttribute* findEntry(const char* name) const;

    KelmMeshShellFaceAttributeVec entries_;
};

// Colour of a face: that of its first colour property; KELM_NO_COLOR for a null
// face, a face without one, or (set forms) an index at or beyond the face count or
// an empty slot. Setting goes through KelmMeshFaceColor::make, so a face never gets
// a second colour property; it does nothing where getting gives KELM_NO_COLOR for
// lack of a face.
KELMMATH_API unsigned int kelm_mesh_get_color(KelmMeshFace* face);
KELMMATH_API unsigned int kelm_mesh_get_color(KelmMeshFacetSet* fs, unsigned int i);
KELMMATH_API void kelm_mesh_set_color(KelmMeshFace* face, unsigned int color);
KELMMATH_API void kelm_mesh_set_color(KelmMeshFacetSet* fs, unsigned int i, unsigned int color);

#endif  // KELMMATH_MESH_FACEPROPS_H

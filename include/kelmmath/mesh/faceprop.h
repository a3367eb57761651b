#ifndef KELMMATH_MESH_FACEPROP_H
#define KELMMATH_MESH_FACEPROP_H

#include "kelmmath/kelmmath_export.h"

// KelmMeshFaceProp: the abstract base of every property a mesh face carries.
//
// A face (KelmMeshFace, kelmmath/mesh/facetset.h) keeps its properties in a singly
// linked list; each property holds the link to the next one (null at the end). A
// property is recognised by its type number, a small integer that each concrete
// class draws once from the process-wide counter _new_info_type():
//
//   class MyProp : public KelmMeshFaceProp {
//   public:
//       static unsigned int getFacePropType() {
//           static const unsigned int type = _new_info_type();  // drawn once, thread-safely
//           return type;
//       }
//       unsigned int getType() override { return getFacePropType(); }
//       KelmMeshFaceProp* duplicate() const override { return new MyProp(*this); }
//   };
//
// _new_info_type() returns the counter and then increments it; the counter starts at
// 1, so 0 is never a type number. Type numbers depend on which class asks first and
// are never written to files.
//
// Ownership: a face owns every property in its list and destroys it (through the
// virtual destructor) together with itself; a property handed to a face belongs to
// the face from then on. duplicate() returns a new, unlinked property owned by the
// caller until it is added to a face.
//
// Copying never takes over the other property's link: a copy-constructed property
// starts unlinked, and an assigned property keeps its own place in its list.
class KELMMATH_API KelmMeshFaceProp {
public:
    KelmMeshFaceProp() = default;
    KelmMeshFaceProp(const KelmMeshFaceProp&) {}
    KelmMeshFaceProp& operator=(const KelmMeshFaceProp&) { return *this; }

    // The property's type number: its class's getFacePropType().
    virtual unsigned int getType() = 0;
    virtual ~KelmMeshFaceProp();
    // A new copy of the property, unlinked and owned by the caller.
    virtual KelmMeshFaceProp* duplicate() const = 0;

    // Returns the process-wide counter, then increments it (first call: 1).
    static unsigned int _new_info_type();

    // The next property of the same face's list; null at the end of the list.
    KelmMeshFaceProp* getNext() const { return next_; }

private:
    friend class KelmMeshFace;  // the face links and unlinks its properties
    KelmMeshFaceProp* next_ = nullptr;
};

#endif  // KELMMATH_MESH_FACEPROP_H

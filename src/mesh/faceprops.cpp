#include "kelmmath/mesh/faceprops.h"

#include <cstring>
#include <memory>

namespace {

// Texts compare equal when they hold the same characters; a null text is the empty
// text, as a KelmStringObject cannot tell the two apart.
bool same_text(const char* a, const char* b) {
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

}  // namespace

// ---- KelmMeshFace -----------------------------------------------------------------

KelmMeshFace::KelmMeshFace() : first_(KELM_NONE), count_(0), props_(nullptr) {}

KelmMeshFace::KelmMeshFace(unsigned int first, unsigned int count)
    : first_(first), count_(count), props_(nullptr) {}

KelmMeshFace::KelmMeshFace(const KelmMeshFace& other)
    : first_(KELM_NONE), count_(0), props_(nullptr) {
    copy(&other);
}

KelmMeshFace::KelmMeshFace(KelmMeshFace&& other) noexcept
    : first_(other.first_), count_(other.count_), props_(other.props_) {
    other.props_ = nullptr;
}

KelmMeshFace& KelmMeshFace::operator=(const KelmMeshFace& other) {
    copy(&other);
    return *this;
}

KelmMeshFace& KelmMeshFace::operator=(KelmMeshFace&& other) noexcept {
    if (this != &other) {
        destroyProps();
        first_ = other.first_;
        count_ = other.count_;
        props_ = other.props_;
        other.props_ = nullptr;
    }
    return *this;
}

KelmMeshFace::~KelmMeshFace() {
    destroyProps();
}

// Iterative, so a long list cannot exhaust the stack.
void KelmMeshFace::destroyProps() {
    KelmMeshFaceProp* p = props_;
    props_ = nullptr;
    while (p) {
        KelmMeshFaceProp* next = p->next_;
        delete p;
        p = next;
    }
}

void KelmMeshFace::addProp(KelmMeshFaceProp* p) {
    if (!p) return;
    // Linking a property twice would make the list a cycle and free it twice.
    for (KelmMeshFaceProp* q = props_; q; q = q->next_)
        if (q == p) return;
    p->next_ = props_;
    props_ = p;
}

KelmMeshFaceProp* KelmMeshFace::getProp(unsigned int type) const {
    for (KelmMeshFaceProp* p = props_; p; p = p->next_)
        if (p->getType() == type) return p;
    return nullptr;
}

void KelmMeshFace::removeProp(unsigned int type) {
    KelmMeshFaceProp** link = &props_;
    while (*link) {
        KelmMeshFaceProp* p = *link;
        if (p->getType() == type) {
            *link = p->next_;
            delete p;
        } else {
            link = &p->next_;
        }
    }
}

void KelmMeshFace::removeProp(KelmMeshFaceProp* target) {
    if (!target) return;
    for (KelmMeshFaceProp** link = &props_; *link; link = &(*link)->next_) {
        if (*link == target) {
            *link = target->next_;
            delete target;
            return;
        }
    }
}

void KelmMeshFace::copy(const KelmMeshFace* other) {
    if (!other || other == this) return;
    // The duplicates are built before the old list goes, so nothing of other is
    // read after this face has changed.
    KelmMeshFaceProp* head = nullptr;
    KelmMeshFaceProp** tail = &head;
    for (const KelmMeshFaceProp* p = other->props_; p; p = p->next_) {
        KelmMeshFaceProp* dup = p->duplicate();
        if (!dup) continue;
        dup->next_ = nullptr;
        *tail = dup;
        tail = &dup->next_;
    }
    destroyProps();
    props_ = head;
    first_ = other->first_;
    count_ = other->count_;
}

// ---- KelmMeshShellFaceAttribute ---------------------------------------------------

KelmMeshShellFaceAttribute::KelmMeshShellFaceAttribute(const char* name_text,
                                                       const char* value_text)
    : name(name_text), value(value_text) {}

KelmMeshShellFaceAttribute::KelmMeshShellFaceAttribute(KelmMeshShellFaceAttribute&& other) noexcept
    : name(other.name), value(other.value) {}

KelmMeshShellFaceAttribute& KelmMeshShellFaceAttribute::operator=(
    const KelmMeshShellFaceAttribute& other) {
    name.copy(other.name);
    value.copy(other.value);
    return *this;
}

KelmMeshShellFaceAttribute& KelmMeshShellFaceAttribute::operator=(
    KelmMeshShellFaceAttribute&& other) noexcept {
    name.copy(other.name);
    value.copy(other.value);
    return *this;
}

// ---- KelmMeshFaceColor ------------------------------------------------------------

KelmMeshFaceColor::KelmMeshFaceColor(unsigned int color) : color_(color) {}

KelmMeshFaceColor::KelmMeshFaceColor(const KelmMeshFaceColor& other)
    : KelmMeshFaceProp(other), color_(other.color_) {}

KelmMeshFaceColor::KelmMeshFaceColor(KelmMeshFaceColor&& other) noexcept
    : KelmMeshFaceProp(other), color_(other.color_) {}

KelmMeshFaceColor::~KelmMeshFaceColor() = default;

unsigned int KelmMeshFaceColor::getType() {
    return getFacePropType();
}

KelmMeshFaceProp* KelmMeshFaceColor::duplicate() const {
    return new KelmMeshFaceColor(*this);
}

unsigned int KelmMeshFaceColor::getFacePropType() {
    // A function-local static is initialised exactly once, even under concurrent
    // first calls.
    static const unsigned int type = _new_info_type();
    return type;
}

KelmMeshFaceColor* KelmMeshFaceColor::find(const KelmMeshFace* face) {
    if (!face) return nullptr;
    return static_cast<KelmMeshFaceColor*>(face->getProp(getFacePropType()));
}

KelmMeshFaceColor* KelmMeshFaceColor::make(KelmMeshFace* face) {
    if (!face) return nullptr;
    KelmMeshFaceColor* color = find(face);
    if (!color) {
        color = new KelmMeshFaceColor();
        face->addProp(color);
    }
    return color;
}

// ---- KelmMeshFaceAtts -------------------------------------------------------------

namespace {

// Deep copies of the entries of `from`, in order (empty slots stay empty), so the
// new set shares no text buffer with the old one.
KelmMeshShellFaceAttributeVec copy_entries(const KelmMeshShellFaceAttributeVec& from) {
    KelmMeshShellFaceAttributeVec out;
    const unsigned n = from.size();
    for (unsigned i = 0; i < n; ++i) {
        const KelmMeshShellFaceAttribute* e = from.get(i);
        out.append(e ? new KelmMeshShellFaceAttribute(e->name.str(), e->value.str()) : nullptr);
    }
    return out;
}

void delete_entries(KelmMeshShellFaceAttributeVec& entries) {
    const unsigned n = entries.size();
    for (unsigned i = 0; i < n; ++i) delete entries.get(i);
    entries = KelmMeshShellFaceAttributeVec();
}

}  // namespace

KelmMeshFaceAtts::KelmMeshFaceAtts() = default;

KelmMeshFaceAtts::KelmMeshFaceAtts(const KelmMeshFaceAtts& other)
    : KelmMeshFaceProp(other), entries_(copy_entries(other.entries_)) {}

KelmMeshFaceAtts::KelmMeshFaceAtts(KelmMeshFaceAtts&& other) noexcept
    : KelmMeshFaceProp(other), entries_(other.entries_) {
    other.entries_ = KelmMeshShellFaceAttributeVec();
}

KelmMeshFaceAtts& KelmMeshFaceAtts::operator=(const KelmMeshFaceAtts& other) {
    if (this != &other) {
        KelmMeshShellFaceAttributeVec fresh = copy_entries(other.entries_);
        destroyEntries();
        entries_ = fresh;
    }
    return *this;
}

KelmMeshFaceAtts& KelmMeshFaceAtts::operator=(KelmMeshFaceAtts&& other) noexcept {
    if (this != &other) {
        destroyEntries();
        entries_ = other.entries_;
        other.entries_ = KelmMeshShellFaceAttributeVec();
    }
    return *this;
}

KelmMeshFaceAtts::~KelmMeshFaceAtts() {
    destroyEntries();
}

void KelmMeshFaceAtts::destroyEntries() {
    delete_entries(entries_);
}

unsigned int KelmMeshFaceAtts::getType() {
    return getFacePropType();
}

KelmMeshFaceProp* KelmMeshFaceAtts::duplicate() const {
    return new KelmMeshFaceAtts(*this);
}

KelmMeshShellFaceAttribute* KelmMeshFaceAtts::findEntry(const char* name) const {
    const unsigned n = entries_.size();
    for (unsigned i = 0; i < n; ++i) {
        KelmMeshShellFaceAttribute* e = entries_.get(i);
        if (e && same_text(e->name.str(), name)) return e;
    }
    return nullptr;
}

void KelmMeshFaceAtts::setAttribute(const char* name, const char* value) {
    if (KelmMeshShellFaceAttribute* e = findEntry(name)) {
        e->value.copy(value);
        return;
    }
    std::unique_ptr<KelmMeshShellFaceAttribute> e(new KelmMeshShellFaceAttribute(name, value));
    entries_.append(e.get());
    e.release();
}

const char* KelmMeshFaceAtts::getAttribute(const char* name) const {
    const KelmMeshShellFaceAttribute* e = findEntry(name);
    return e ? e->value.str() : nullptr;
}

unsigned int KelmMeshFaceAtts::getFacePropType() {
    static const unsigned int type = _new_info_type();
    return type;
}

KelmMeshFaceAtts* KelmMeshFaceAtts::find(const KelmMeshFace* face) {
    if (!face) return nullptr;
    return static_cast<KelmMeshFaceAtts*>(face->getProp(getFacePropType()));
}

KelmMeshFaceAtts* KelmMeshFaceAtts::make(KelmMeshFace* face) {
    if (!face) return nullptr;
    KelmMeshFaceAtts* atts = find(face);
    if (!atts) {
        atts = new KelmMeshFaceAtts();
        face->addProp(atts);
    }
    return atts;
}

// ---- colour helpers ---------------------------------------------------------------

namespace {

KelmMeshFace* face_at(KelmMeshFacetSet* fs, unsigned int i) {
    return fs && i < fs->getFaceCount() ? fs->getFace(i) : nullptr;
}

}  // namespace

unsigned int kelm_mesh_get_color(KelmMeshFace* face) {
    const KelmMeshFaceColor* color = KelmMeshFaceColor::find(face);
    return color ? color->getColor() : KELM_NO_COLOR;
}

unsigned int kelm_mesh_get_color(KelmMeshFacetSet* fs, unsigned int i) {
    return kelm_mesh_get_color(face_at(fs, i));
}

void kelm_mesh_set_color(KelmMeshFace* face, unsigned int color) {
    if (KelmMeshFaceColor* prop = KelmMeshFaceColor::make(face)) prop->setColor(color);
}

void kelm_mesh_set_color(KelmMeshFacetSet* fs, unsigned int i, unsigned int color) {
    kelm_mesh_set_color(face_at(fs, i), color);
}

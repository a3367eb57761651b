#ifndef KELMMATH_TOPOLOGY_DUMP_H
#define KELMMATH_TOPOLOGY_DUMP_H

#include <cstdio>

#include "kelmmath/kelmmath_export.h"
#include "kelmmath/topology/topology.h"

// kelm_mesh_topology_dump: writes a readable listing of topology t and its facet set
// to the open stream fp, for debugging meshes. Nothing reads it back.
//
//   vertices=V facets=F edges=E
//   f[i] = v=(c0,c1,c2) e=(s0,s1,s2) n=(x,y,z)       one line per facet slot; a deleted
//                                                   facet reads "f[i] = <DELETED>"
//   e[i] : v=(lo,hi) f=(fa,fb) dot=d angle=a        one line per edge: the dot product
//                                                   of the unit normals of its facets
//                                                   (zero vector for a missing facet,
//                                                   so a border edge shows dot=0) and
//                                                   acos of it, not clamped; a deleted
//                                                   edge reads "e[i] : <DELETED>"
//   (one empty line)
//   v[i] = (x,y,z)                                  per vertex, 15 decimals, then the
//     f= f0 f1 ...                                  facets and the edges of the walk
//     e= e0 e1 ...                                  around it; a vertex no facet uses
//                                                   reads "v[i] = <DELETED>"
// KELM_NONE prints as 4294967295. The stream is neither flushed nor closed. t must
// have been built from its facet set, and the set must not have gained facets or
// vertices since. A null t or fp writes nothing.
KELMMATH_API void kelm_mesh_topology_dump(const KelmMeshTopology* t, FILE* fp);

#endif  // KELMMATH_TOPOLOGY_DUMP_H

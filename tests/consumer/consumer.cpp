// A client of the installed package: it includes only the umbrella header and
// touches every subsystem once.
#include <kelmmath/kelmmath.h>

#include <cstdio>
#include <cstring>

// The package's headers stand on their own: nothing of expat's comes in with them, so
// a client needs no include path beyond the package's own.
#if defined(XML_MAJOR_VERSION) || defined(XMLCALL) || defined(XML_STATUS_OK)
#error "kelmmath's headers pulled in <expat.h>"
#endif

int main() {
    double r[3];
    kelm_vec_cross(r, kelm_vec_100, kelm_vec_010);
    if (r[2] != 1.0) return 1;

    double inch = kelm_get_unit_conversion_factor(kelm_unit_in, kelm_unit_mm);
    if (inch != 25.4) return 2;

    KelmMeshFacetSet box;
    kelm_mesh_make_box(&box, 0.0, 0.0, 0.0, 1.0, 2.0, 3.0);
    KelmMeshTopology topo;
    topo.init(&box);
    if (topo.getEdgeCount() != 18 || topo.validate() != 1) return 3;

    KelmOutputString xml;
    kelm_mesh_xml_save(&xml, &box, "box", KELM_NO_COLOR);

    // The parser forwards and the shell reader, through the package's names only.
    KelmXML_Parser parser = KELMXML_ParserCreate(nullptr);
    KelmMeshShellRecord shell;
    kelm_mesh_xml_read_shell_element(parser, &shell, nullptr);
    const char* doc = "<shell id=\"s\"><verts><v p=\"0 0 0\"/></verts></shell>";
    if (KELMXML_Parse(parser, doc, static_cast<int>(std::strlen(doc)), 1) != KELMXML_STATUS_OK || shell.getVertexCount() != 1)
        return 6;
    KELMXML_ParserFree(parser);

    KelmBoundingBox2D area;
    area.update(0.0, 0.0);
    area.update(10.0, 10.0);
    KelmDelaunay2D tri;
    if (!tri.init(&area, 1.0)) return 4;
    double p[2] = {5.0, 5.0};
    tri.insertPoint(p);
    if (tri.getTriangleCount() != 3) return 5;

    std::printf("consumer: %u facets, %u edges, %u bytes of XML, %u triangles\n",
                box.getFacetCount(), topo.getEdgeCount(), static_cast<unsigned>(xml.length()),
                tri.getTriangleCount());
    return 0;
}

// kelm-meshcheck: reads the mesh shells of XML files (or builds a sample part) and,
// for each shell, prints a summary of what is wrong with it (meshcheck_report.h) or
// its JSON report; with --details also its counts, bounds and surface area, its edge
// topology and the five topology checks, showing what each of them reported.
//
//   kelm-meshcheck [options] [FILE.xml ...]      (kUsage lists the options)
//
// Exit status: 0 when every shell is clean, 1 when one has defects, 2 when a file
// cannot be read or written (or the command line is wrong).
#include <kelmmath/kelmmath.h>

#include "meshcheck_report.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: kelm-meshcheck [options] [FILE.xml ...]\n"
    "  Reads every <shell> of each FILE (no FILE: a built-in sample part) and prints a\n"
    "  summary of each: closed or not, parts, holes, non-manifold edges and vertices,\n"
    "  orientation, degenerate and duplicate facets, area and volume.\n"
    "  --details        also counts, bounds (coordinates taken as millimetres), surface\n"
    "                   area, edges and the five topology checks\n"
    "  --dump           with --details: the topology dump of each shell\n"
    "  --json           print the report of each shell as one JSON object per line,\n"
    "                   instead of the summary\n"
    "  --intersections  look for facets that cut through each other too\n"
    "  --repair OUT     write the repaired shells as mesh XML\n"
    "  --svg OUT        draw the shells with border (red), non-manifold (magenta) and\n"
    "                   misoriented (orange) edges marked\n"
    "  --view V         the drawing's view: top, front, side or iso (the default)\n"
    "  --mesh-json OUT  write the shells as mesh JSON (one object, or a list of them)\n"
    "  --xml OUT        write the shells as mesh XML (one shell, or a <shells> document)\n"
    "  Exit status: 0 all shells clean, 1 a shell has defects, 2 a file cannot be read\n"
    "  or written.\n";

// Reports shown per check; the rest are counted.
constexpr std::size_t kMaxReportsShown = 8;

enum Status { kPass = 0, kCheckFailed = 1, kIoFailed = 2 };

// Collects the library's reports while installed, so that they can be shown under the
// check that made them instead of going to standard error.
class ReportLog : public KelmErrorContext {
public:
    ReportLog() : previous_(kelm_set_ec(this)) {}
    ~ReportLog() override { kelm_set_ec(previous_); }
    ReportLog(const ReportLog&) = delete;
    ReportLog& operator=(const ReportLog&) = delete;

    // Hands out what was collected since the last call.
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(messages_);
        return out;
    }

protected:
    void report(Severity severity, const char* message) override {
        std::string text = severity == Warning ? "warning: " : "";
        text += message ? message : "";
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        messages_.push_back(text);
    }

private:
    KelmErrorContext* previous_;
    std::vector<std::string> messages_;
};

struct Options {
    bool dump = false;
    const char* json_out = nullptr;
    const char* xml_out = nullptr;
    std::vector<const char*> files;
    // The check report (meshcheck_report.h).
    bool details = false;
    bool json_report = false;
    bool intersections = false;
    const char* repair_out = nullptr;
    const char* svg_out = nullptr;
    const char* view = "iso";
};

// One shell to check: the facet set, its id (may be empty) and where it came from.
struct Shell {
    const KelmMeshFacetSet* fs;
    std::string id;
    std::string source;
};

const char* id_or_null(const Shell& s) {
    return s.id.empty() ? nullptr : s.id.c_str();
}

// The embedded sample: a 100 x 60 x 25 mm stock block. The box mesh lists the bottom and
// the four sides first (facets 0-9) and the top last (10-11), so two faces cover it.
void build_sample_part(KelmMeshFacetSet* fs) {
    kelm_mesh_make_box(fs, 0.0, 0.0, 0.0, 100.0, 60.0, 25.0);
    KelmMeshFace* body = fs->createFace(0, 10);
    kelm_mesh_set_color(body, 0x8a9099);
    KelmMeshFace* top = fs->createFace(10, 2);
    kelm_mesh_set_color(top, 0x2f6fb0);
    KelmMeshFaceAtts::make(top)->setAttribute("finish", "ground");
}

void print_reports(const std::vector<std::string>& reports, const char* indent) {
    for (std::size_t i = 0; i < reports.size() && i < kMaxReportsShown; ++i)
        std::printf("%s%s\n", indent, reports[i].c_str());
    if (reports.size() > kMaxReportsShown)
        std::printf("%s... and %zu more\n", indent, reports.size() - kMaxReportsShown);
}

// One line per face: its facet range, colour and text attributes.
void print_faces(const KelmMeshFacetSet* fs) {
    for (unsigned i = 0; i < fs->getFaceCount() && i < kMaxReportsShown; ++i) {
        const KelmMeshFace* face = fs->getFace(i);
        if (!face) continue;
        std::printf("    face %u: %u facet%s from %u", i, face->getFacetCount(),
                    face->getFacetCount() == 1 ? "" : "s", face->getFirstFacet());
        if (const KelmMeshFaceColor* color = KelmMeshFaceColor::find(face))
            if (color->getColor() != KELM_NO_COLOR) std::printf(", colour %06x", color->getColor());
        if (const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(face)) {
            const KelmMeshShellFaceAttributeVec& entries = atts->getAttributes();
            for (unsigned k = 0; k < entries.size(); ++k) {
                const char* name = entries.get(k)->name.str();
                const char* value = entries.get(k)->value.str();
                std::printf(", %s=\"%s\"", name ? name : "", value ? value : "");
            }
        }
        std::printf("\n");
    }
    if (fs->getFaceCount() > kMaxReportsShown)
        std::printf("    ... and %zu more faces\n", fs->getFaceCount() - kMaxReportsShown);
}

// Facets whose corners name vertices the set does not have would make the geometry
// read past the vertex array: they are listed and the shell is not measured further.
bool corners_in_range(const KelmMeshFacetSet* fs) {
    const unsigned nv = fs->getVertexCount();
    unsigned bad = 0;
    for (unsigned f = 0; f < fs->getFacetCount(); ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        for (unsigned c = 0; c < 3; ++c) {
            if (facet->vertex[c] < nv) continue;
            if (bad++ < kMaxReportsShown)
                std::printf("    facet %u corner %u names vertex %u (the shell has %u)\n", f, c,
                            facet->vertex[c], nv);
        }
    }
    if (bad > kMaxReportsShown) std::printf("    ... and %zu more\n", bad - kMaxReportsShown);
    return bad == 0;
}

void print_measures(const KelmMeshFacetSet* fs) {
    KelmBoundingBox box;
    kelm_mesh_bounds(box, fs);
    if (box.is_empty()) {
        std::printf("  bounds: empty\n");
    } else {
        double lo_in[3], hi_in[3];
        kelm_vec_put_as_unit(lo_in, box.minpt().data(), kelm_unit_mm, kelm_unit_in);
        kelm_vec_put_as_unit(hi_in, box.maxpt().data(), kelm_unit_mm, kelm_unit_in);
        std::printf("  bounds (mm): (%g, %g, %g) .. (%g, %g, %g)\n", box.minx(), box.miny(),
                    box.minz(), box.maxx(), box.maxy(), box.maxz());
        std::printf("  bounds (in): (%g, %g, %g) .. (%g, %g, %g)\n", lo_in[0], lo_in[1], lo_in[2],
                    hi_in[0], hi_in[1], hi_in[2]);
    }
    const double area = fs->getSurfaceArea();
    std::printf("  surface area: %g sq mm (%g sq in)\n", area,
                kelm_get_measure_as_unit(area, kelm_unit_sq_mm, kelm_unit_sq_in));
}

void print_edges(const KelmMeshTopology& topo) {
    unsigned border = 0;
    for (unsigned e = 0; e < topo.getEdgeCount(); ++e) {
        if (topo.getEdgeVertex(e, 0) != KELM_NONE && topo.getEdgeFacet(e, 1) == KELM_NONE) ++border;
    }
    std::printf("  edges: %u, border edges: %u\n", topo.getEdgeCount(), border);
}

// Runs the five checks in the order validate() runs them, each to the end (stop = 0),
// and shows the reports of each under its name. Returns true when all pass.
bool run_checks(const KelmMeshTopology& topo, ReportLog& log) {
    struct Check {
        const char* name;
        int (KelmMeshTopology::*run)(int) const;
    };
    static const Check kChecks[] = {
        {"edge usage", &KelmMeshTopology::validateEdgeUsage},
        {"face senses", &KelmMeshTopology::validateFaceSenses},
        {"unique edges", &KelmMeshTopology::validateEdgesUnique},
        {"geometric senses", &KelmMeshTopology::validateFaceGeometricSenses},
        {"facet overlaps", &KelmMeshTopology::validateFaceOverlaps},
    };
    bool all = true;
    std::printf("  checks:\n");
    for (const Check& check : kChecks) {
        std::fflush(stdout);  // a check may print diagnostics of its own
        const int ok = (topo.*check.run)(0);
        const std::vector<std::string> reports = log.take();
        std::printf("    %-18s %s", check.name, ok ? "pass" : "FAIL");
        if (!reports.empty())
            std::printf(" (%zu report%s)", reports.size(), reports.size() == 1 ? "" : "s");
        std::printf("\n");
        print_reports(reports, "      ");
        all = all && ok;
    }
    return all;
}

// Prints the summary (or the JSON report) of one shell, and with --details everything
// else about it; returns true when the shell is clean.
bool check_shell(const Shell& shell, const Options& opts, KelmMeshCheckReport* report) {
    const KelmMeshFacetSet* fs = shell.fs;
    kelm_mesh_check(report, fs, opts.intersections ? 1 : 0);
    if (opts.json_report) {
        meshcheck::print_json(stdout, *report, shell.id, shell.source);
        return report->clean();
    }
    if (shell.id.empty())
        std::printf("shell (no id) from %s\n", shell.source.c_str());
    else
        std::printf("shell \"%s\" from %s\n", shell.id.c_str(), shell.source.c_str());
    meshcheck::print_summary(stdout, *report);
    if (!opts.details) {
        std::printf("\n");
        return report->clean();
    }
    std::printf("  vertices: %u, facets: %u, faces: %u\n", fs->getVertexCount(),
                fs->getFacetCount(), fs->getFaceCount());
    print_faces(fs);
    if (!corners_in_range(fs)) {
        std::printf("  checks: FAIL (facets name missing vertices; not checked further)\n\n");
        return false;
    }
    print_measures(fs);

    ReportLog log;
    KelmMeshTopology topo;
    topo.init(fs);
    const std::vector<std::string> build_reports = log.take();
    print_edges(topo);
    if (!build_reports.empty()) {
        std::printf("  topology build reports:\n");
        print_reports(build_reports, "    ");
    }
    if (opts.dump) {
        std::printf("  topology dump:\n");
        std::fflush(stdout);
        kelm_mesh_topology_dump(&topo, stdout);
        std::fflush(stdout);
        print_reports(log.take(), "    ");
    }
    const bool pass = run_checks(topo, log);
    std::printf("  checks: %s\n\n", pass ? "pass" : "FAIL");
    return report->clean();
}

// Reads every shell of file into recs. On failure prints one line naming the file.
bool read_file(const char* file, KelmMeshShellRecordVec* recs) {
    FILE* probe = kelm_fopen(file, "r");
    if (!probe) {
        std::fprintf(stderr, "kelm-meshcheck: %s: cannot open the file\n", file);
        return false;
    }
    std::fclose(probe);
    ReportLog log;
    const int ok = kelm_mesh_xml_read(recs, file);
    const std::vector<std::string> reports = log.take();
    if (!ok) {
        // The reader reports what went wrong first and the parse position last.
        std::string why = reports.empty() ? "not a mesh XML file" : reports.front();
        if (reports.size() > 1) why += " (" + reports.back() + ")";
        std::fprintf(stderr, "kelm-meshcheck: %s: cannot be read: %s\n", file, why.c_str());
        return false;
    }
    if (recs->size() == 0) {
        std::fprintf(stderr, "kelm-meshcheck: %s: cannot be read: it holds no <shell>\n", file);
        return false;
    }
    return true;
}

// Opens OUT for writing through the library's file stream; null with a message when it
// cannot be opened.
FILE* open_output(const char* file) {
    FILE* fp = kelm_fopen(file, "w");
    if (!fp) std::fprintf(stderr, "kelm-meshcheck: %s: cannot be written\n", file);
    return fp;
}

bool close_output(FILE* fp, const char* file) {
    const bool ok = !std::ferror(fp);
    if (std::fclose(fp) != 0 || !ok) {
        std::fprintf(stderr, "kelm-meshcheck: %s: cannot be written\n", file);
        return false;
    }
    return true;
}

// One shell: a document whose root is the shell. Several: a <shells> document holding
// one <shell> each. Either way through a writer of our own, which indents the text.
bool write_xml(const char* file, const std::vector<Shell>& shells) {
    FILE* fp = open_output(file);
    if (!fp) return false;
    {
        KelmOutputFile out(fp, file);
        KelmXMLWriter writer(&out);
        writer.writeHeader();
        if (shells.size() != 1) writer.beginElement("shells");
        for (const Shell& s : shells)
            kelm_mesh_xml_save(&writer, s.fs, id_or_null(s), KELM_NO_COLOR);
        writer.close();  // ends <shells> too
        out.flush();
    }
    return close_output(fp, file);
}

// Normals go with the facets when the shell has any. Several shells make a list.
bool write_json(const char* file, const std::vector<Shell>& shells) {
    FILE* fp = open_output(file);
    if (!fp) return false;
    {
        KelmOutputFile out(fp, file);
        const bool list = shells.size() != 1;
        if (list) out.put("[\n");
        for (std::size_t i = 0; i < shells.size(); ++i) {
            if (i > 0) out.put(",\n");
            const KelmMeshFacetSet* fs = shells[i].fs;
            kelm_mesh_json_save_no_faces(&out, fs, id_or_null(shells[i]), KELM_NO_COLOR,
                                         fs->getNormalCount() > 0 ? 1 : 0);
        }
        out.put(list ? "\n]\n" : "\n");
        out.flush();
    }
    return close_output(fp, file);
}

// Returns 0 and fills opts, or the exit status to leave with.
int parse_args(int argc, char** argv, Options* opts) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (std::strcmp(a, "--dump") == 0) {
            opts->dump = true;
        } else if (std::strcmp(a, "--details") == 0) {
            opts->details = true;
        } else if (std::strcmp(a, "--json") == 0) {
            opts->json_report = true;
        } else if (std::strcmp(a, "--intersections") == 0) {
            opts->intersections = true;
        } else if (std::strcmp(a, "--mesh-json") == 0 || std::strcmp(a, "--xml") == 0 ||
                   std::strcmp(a, "--repair") == 0 || std::strcmp(a, "--svg") == 0 ||
                   std::strcmp(a, "--view") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kelm-meshcheck: %s needs a file name\n%s", a, kUsage);
                return kIoFailed;
            }
            const char* value = argv[++i];
            if (a[2] == 'm') opts->json_out = value;
            else if (a[2] == 'x') opts->xml_out = value;
            else if (a[2] == 'r') opts->repair_out = value;
            else if (a[2] == 's') opts->svg_out = value;
            else if (meshcheck::is_view(value)) opts->view = value;
            else {
                std::fprintf(stderr, "kelm-meshcheck: unknown view %s\n%s", value, kUsage);
                return kIoFailed;
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "kelm-meshcheck: unknown option %s\n%s", a, kUsage);
            return kIoFailed;
        } else {
            opts->files.push_back(a);
        }
    }
    return 0;
}

// --svg and --repair, from the reports of the shells.
bool meshcheck_extras(const Options& opts, const std::vector<Shell>& shells,
                      const std::vector<KelmMeshCheckReport>& reports) {
    bool ok = true;
    if (opts.svg_out) {
        std::vector<meshcheck::Drawn> drawn;
        for (std::size_t i = 0; i < shells.size(); ++i) drawn.push_back({shells[i].fs, &reports[i]});
        if (!meshcheck::write_svg(opts.svg_out, drawn, opts.view)) {
            std::fprintf(stderr, "kelm-meshcheck: %s: cannot be written\n", opts.svg_out);
            ok = false;
        }
    }
    if (opts.repair_out) {
        std::vector<KelmMeshFacetSet> repaired(shells.size());
        std::vector<Shell> out;
        for (std::size_t i = 0; i < shells.size(); ++i) {
            if (!opts.json_report) std::printf("shell %zu:\n", i + 1);
            meshcheck::repair(&repaired[i], shells[i].fs, opts.json_report);
            out.push_back({&repaired[i], shells[i].id, shells[i].source});
        }
        ok = write_xml(opts.repair_out, out) && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options opts;
    if (const int status = parse_args(argc, argv, &opts)) return status < 0 ? 0 : status;

    int status = kPass;
    KelmMeshFacetSet sample;
    std::vector<std::unique_ptr<KelmMeshShellRecordVec>> files;
    std::vector<Shell> shells;
    if (opts.files.empty()) {
        build_sample_part(&sample);
        shells.push_back({&sample, "part", "the built-in sample"});
    }
    for (const char* file : opts.files) {
        files.emplace_back(new KelmMeshShellRecordVec);
        KelmMeshShellRecordVec* recs = files.back().get();
        if (!read_file(file, recs)) {
            status = kIoFailed;
            continue;
        }
        for (unsigned i = 0; i < recs->size(); ++i) {
            const KelmMeshShellRecord* rec = recs->get(i);
            if (!rec) continue;
            shells.push_back({rec, rec->id.str() ? rec->id.str() : "", file});
        }
    }

    unsigned failed = 0;
    std::vector<KelmMeshCheckReport> reports(shells.size());
    for (std::size_t i = 0; i < shells.size(); ++i) {
        if (!check_shell(shells[i], opts, &reports[i])) ++failed;
    }
    if (failed > 0 && status == kPass) status = kCheckFailed;
    if (!shells.empty() && !meshcheck_extras(opts, shells, reports)) status = kIoFailed;
    if (!shells.empty()) {
        if (!opts.json_report)
            std::printf("%zu shell%s checked, %u failed\n", shells.size(),
                        shells.size() == 1 ? "" : "s", failed);
        if (opts.xml_out && !write_xml(opts.xml_out, shells)) status = kIoFailed;
        if (opts.json_out && !write_json(opts.json_out, shells)) status = kIoFailed;
    }
    return status;
}

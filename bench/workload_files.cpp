// Workload files.  The generator is the comparison tool's own (seeded, so the
// bytes equal those every peer engine is measured on); its path and the
// output folder are fixed at configure time and may be overridden with
// LUMENVALE_WORKLOADS (a folder already holding the files).
#include "bench/workload_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace vesper::bench {

// A function, not a global: benchmarks are registered during static
// initialisation, when another file's globals may not exist yet.
const std::vector<std::string>& workloadNames() {
    static const std::vector<std::string> names = {"ascii", "sgr", "cursor", "unicode", "scroll"};
    return names;
}

namespace {

std::filesystem::path workloadFolder() {
    if (const char* dir = std::getenv("LUMENVALE_WORKLOADS")) return dir;
    return LUMENVALE_WORKLOAD_DIR;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "bench_core: %s\n", message.c_str());
    std::exit(1);
}

}  // namespace

std::string workloadPath(const std::string& name) {
    const std::filesystem::path folder = workloadFolder();
    const std::filesystem::path path = folder / name;
    if (!std::filesystem::exists(path)) {
        const std::string command = "python3 '" LUMENVALE_WORKLOAD_GENERATOR "' --out '" + folder.string() + "' " + name;
        std::fprintf(stderr, "bench_core: generating workload %s\n", name.c_str());
        if (std::system(command.c_str()) != 0) fail("could not generate workload " + name + " with: " + command);
    }
    return path.string();
}

const std::string& workload(const std::string& name) {
    static std::map<std::string, std::string> loaded;
    if (auto it = loaded.find(name); it != loaded.end()) return it->second;
    const std::filesystem::path path = workloadPath(name);
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty()) fail("workload " + path.string() + " is empty or unreadable");
    return loaded.emplace(name, std::move(bytes)).first->second;
}

}  // namespace vesper::bench

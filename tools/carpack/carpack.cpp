// carpack: builds and inspects car installers (stub + appended payload).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pack.h"

namespace fs = std::filesystem;

namespace {

// The stub next to this program (dist/<build>/core.exe), or the 32-bit one
// beside a native build's dist folder.
std::string DefaultStub(const char *argv0)
{
    std::error_code ec;
    fs::path self = fs::absolute(fs::u8path(argv0), ec).parent_path();
    for (fs::path candidate : {self / "core.exe", self / ".." / "win32" / "core.exe"})
        if (fs::is_regular_file(candidate, ec))
            return candidate.u8string();
    throw carpack::Error("no stub found beside carpack; give one with --stub core.exe");
}

void List(const std::string &installer)
{
    carpack::PayloadInfo info = carpack::ReadPayload(installer);
    std::printf("kind    %s (%u)\n", info.kind ? "car" : "showcase", info.kind);
    std::printf("serial  %u\n", info.serial);
    std::printf("entries %zu\n", info.items.size());
    for (const auto &item : info.items)
        std::printf("  %-12s %11d\n", item.name.c_str(), item.size);
}

}  // namespace

int main(int argc, char **argv)
{
    CLI::App app{"Builds and inspects car installers: the installer program with a payload of files appended."};
    app.require_subcommand(1);

    std::string out, stub, installer, folder;
    uint32_t serial = 0;
    bool showcase = false;
    std::vector<std::string> files;

    CLI::App *build = app.add_subcommand("build", "Write an installer of the given files");
    build->add_option("--serial", serial, "Serial number of the car")->required();
    build->add_flag("--showcase", showcase, "A showcase payload (kind 0) instead of a car (kind 1)");
    build->add_option("--stub", stub, "The installer program without payload (67,072 bytes)");
    build->add_option("-o,--output", out, "The installer to write")->required();
    build->add_option("files", files, "Files to install, in order")->required();

    CLI::App *list = app.add_subcommand("list", "Show an installer's kind, serial and entries");
    list->add_option("installer", installer)->required();

    CLI::App *extract = app.add_subcommand("extract", "Write an installer's entries into a folder");
    extract->add_option("installer", installer)->required();
    extract->add_option("folder", folder)->required();

    CLI::App *restub = app.add_subcommand("restub", "Put an installer's payload behind another stub");
    restub->add_option("installer", installer, "Installer with its payload at offset 67,072")->required();
    restub->add_option("--stub", stub, "The new stub (default: core.exe beside carpack)");
    restub->add_option("-o,--output", out, "The installer to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }
    try {
        if (*build)
            carpack::BuildInstaller(stub.empty() ? DefaultStub(argv[0]) : stub, showcase ? 0 : 1,
                                    serial, files, out);
        else if (*list)
            List(installer);
        else if (*extract)
            carpack::ExtractAll(installer, folder);
        else if (*restub)
            carpack::Restub(installer, stub.empty() ? DefaultStub(argv[0]) : stub, out);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "carpack: %s\n", e.what());
        return 1;
    }
    return 0;
}

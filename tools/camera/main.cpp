// vcsf-camera: the camera simulator (see CCameraOptions::HelpText).

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CDatagramCutter.h"
#include "tools/camera/CHttpCamera.h"
#include "tools/camera/CMulticastCamera.h"
#include "tools/camera/CProgramStreamBuilder.h"
#include "tools/camera/CStreamSource.h"
#include "tools/camera/CUnicastCamera.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* pBytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    pBytes->assign(std::istreambuf_iterator<char>(file), {});
    return true;
}

int Build(const CCameraOptions& options)
{
    std::vector<uint8_t> video, audio;
    for (const auto& [path, bytes] : {std::pair{options.video, &video}, std::pair{options.audio, &audio}}) {
        if (!path.empty() && !ReadFile(path, bytes)) {
            std::fprintf(stderr, "vcsf-camera: cannot read %s\n", path.c_str());
            return 1;
        }
    }
    CProgramStreamBuilder builder;
    std::string error;
    if (!builder.Build(video, audio, &error)) {
        std::fprintf(stderr, "vcsf-camera: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(options.output, std::ios::binary);
    out.write(reinterpret_cast<const char*>(builder.Output().data()), static_cast<std::streamsize>(builder.Output().size()));
    if (!out.flush()) {
        std::fprintf(stderr, "vcsf-camera: cannot write %s\n", options.output.c_str());
        return 1;
    }
    return 0;
}

int Send(const CCameraOptions& options)
{
    // A unit too large for the datagrams goes on in the next, as one beyond the source's bound does.
    CStreamSource source(std::min(CStreamSource::kMaxUnitBytes, CDatagramCutter::MaxUnit(options.datagramSize)));
    std::string error;
    if (!source.Load(options.input, &error)) {
        std::fprintf(stderr, "vcsf-camera: %s: %s\n", options.input.c_str(), error.c_str());
        return 1;
    }
    CCameraLog log;
    if (!options.logFile.empty() && !log.Open(options.logFile)) {
        std::fprintf(stderr, "vcsf-camera: cannot open the log %s\n", options.logFile.c_str());
        return 1;
    }
    if (options.mode == CameraMode::Unicast) return CUnicastCamera(options, source, log).Run();
    if (options.mode == CameraMode::Http) return CHttpCamera(options, source, log).Run();
    return CMulticastCamera(options, source, log).Run();
}

}  // namespace

int main(int argc, char** argv)
{
    CCameraOptions options;
    if (!options.Parse(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fprintf(stderr, "vcsf-camera: %s (see --help)\n", options.Error().c_str());
        return 2;
    }
    if (options.mode == CameraMode::Help) {
        std::fputs(CCameraOptions::HelpText().c_str(), stdout);
        return 0;
    }
    return options.mode == CameraMode::Build ? Build(options) : Send(options);
}

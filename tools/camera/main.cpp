// vcsf-camera: the camera simulator (see CCameraOptions::HelpText).

#include "tools/camera/CCameraLog.h"
#include "tools/camera/CCameraOptions.h"
#include "tools/camera/CMulticastCamera.h"
#include "tools/camera/CStreamSource.h"
#include "tools/camera/CUnicastCamera.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int Send(const CCameraOptions& options)
{
    CStreamSource source;
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
    return Send(options);
}

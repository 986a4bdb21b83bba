#include <cstdio>
#include <cstring>
#include <string>

#include "Engine/FfmpegSupport.h"

namespace MOVRA {

void TagWallClock(AVFormatContext* output, std::int64_t startMs) {
    char clock[64];
    std::snprintf(clock, sizeof clock, "%lld.%03lld", static_cast<long long>(startMs / 1000),
                  static_cast<long long>(startMs % 1000));
    if (std::strcmp(output->oformat->name, "mpegts") == 0)
        av_dict_set(&output->metadata, "service_provider", (std::string(kWallClockProviderPrefix) + clock).c_str(), 0);
    else
        av_dict_set(&output->metadata, kWallClockTag, clock, 0);
}

}  // namespace MOVRA

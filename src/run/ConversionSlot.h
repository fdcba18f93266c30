#pragma once
// A place of the conversion run where one job runs at a time; shared by the
// files of the driver.
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/ThConvertInfo.h"
#include "run/ConversionDriver.h"

// One place where a job runs: its thumbnail, then its conversion, each as a
// numbered run, so that an end is applied to the job of its own run only.
struct TConversionDriver::Slot {
    TConsoleRunner* convert = nullptr;
    TConsoleRunner* thumbnail = nullptr;
    ThConvertInfoObject* job = nullptr;  // nullptr: the slot is free
    // Flushing: the conversion has ended well and its files are being
    // written through to the medium.
    enum Stage { Free, MakingThumbnail, Converting, Flushing } stage = Free;
    std::uint64_t run = 0;      // the run whose end is awaited
    std::uint64_t started = 0;  // order of the job's start within the driver
    std::string source;
    std::string output;  // final name of the video
    std::string folder;  // where output lies, with a delimiter at the end
    std::string disc;  // root of the optical disc the source lies on, or empty
    // The source's length in seconds: nothing until the encoder tells,
    // 0 when it could not.
    std::optional<double> length;
    std::optional<std::int32_t> seconds;  // elapsed source time
    bool noSpace = false;  // the encoder found its destination full
};

#pragma once
// Reads the length of each job's source in the background, so that a run
// can start the longest jobs first and tell its time left from the start.
// One encoder run at a time, at a CPU priority below normal, through the
// same encoder front as every conversion; it reads the source's headers
// only. Lives on the user-interface thread beside the job list.
#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "runner/RunnerTypes.h"

class ThConvertInfoObjectList;
class TConsoleRunner;

class TLengthProbe : public QObject {
public:
    TLengthProbe(QObject* owner, ThConvertInfoObjectList& jobs);
    // Stops a probe still running and waits for its worker.
    ~TLengthProbe() override;

    // Starts on the first job in list order whose length has not been read,
    // unless a probe runs already; each end goes on to the next. Call it
    // whenever jobs may have been added.
    void Look();
    bool Probing() const { return ProbedJob_ != 0; }

    // How long one probe may take before it is given up as unknown: a
    // source on a medium that does not answer must not hold up the others.
    std::int32_t GiveUpAfterSeconds = 60;

private:
    void ProbeLine(std::uint64_t run, const std::string& line, TOutputType type);
    void ProbeEnded(std::uint64_t run);

    ThConvertInfoObjectList& Jobs_;
    std::uint64_t ProbedJob_ = 0;  // Id of the job being probed; 0: none
    std::uint64_t Run_ = 0;        // number of the probe whose end is awaited
    std::optional<double> Found_;
    // Last member: it goes first, while what its handlers use is still whole.
    std::unique_ptr<TConsoleRunner> Runner_;
};

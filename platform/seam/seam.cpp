// The harness seam's state: the installed harness, the answers it has given and the calls it counted.
#include "platform/seam/seam.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const Harness* installed = nullptr;
std::map<std::string, PlatformCallRecord> calls;
size_t answersGiven = 0;

int Count(const char* operation)
{
    PlatformCallRecord& record = calls[operation];
    if (record.count++ == 0)
        record.first = std::chrono::steady_clock::now();
    return record.count;
}

}  // namespace

const Harness* CurrentHarness() { return installed; }

void SetCurrentHarness(const Harness* harness)
{
    installed = harness;
    if (!harness)
        return;  // the record stays readable after the run
    calls.clear();
    answersGiven = 0;
}

int NextHarnessAnswer()
{
    if (!installed || installed->answers.empty())
        return kHarnessYes;
    const std::vector<int>& answers = installed->answers;
    return answers[std::min(answersGiven++, answers.size() - 1)];
}

void CountPlatformCall(const char* operation) { Count(operation); }

bool PlatformCallFails(const char* operation)
{
    if (!installed)
        return false;
    const int count = Count(operation);
    for (const std::string& failure : installed->failures) {
        size_t at = failure.find('@');
        if (failure.compare(0, at, operation) != 0 ||
            (at == std::string::npos ? failure.size() : at) != std::strlen(operation))
            continue;
        if (at == std::string::npos || std::atoi(failure.c_str() + at + 1) == count)
            return true;
    }
    return false;
}

const PlatformCallRecord* FindPlatformCall(const char* operation)
{
    auto it = calls.find(operation);
    return it == calls.end() ? nullptr : &it->second;
}

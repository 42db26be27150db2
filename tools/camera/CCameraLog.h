#pragma once
// The log that tests read: one line per request and per end reason, on standard
// output and in the --log file, each flushed as it is written. The HTTP camera
// writes from its connection threads too.

#include <cstdio>
#include <mutex>
#include <string>

class CCameraLog {
public:
    CCameraLog() = default;
    ~CCameraLog();
    CCameraLog(const CCameraLog&) = delete;
    CCameraLog& operator=(const CCameraLog&) = delete;

    bool Open(const std::string& path);
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::FILE* m_pFile = nullptr;
    std::mutex m_Lock;  // a line reaches both outputs before the next
};

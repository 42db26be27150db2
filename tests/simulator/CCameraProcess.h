#pragma once
// vcsf-camera run as a child process, its log lines read from a pipe with bounded
// waits; the destructor ends it (SIGTERM) and reaps it.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class CCameraProcess {
public:
    explicit CCameraProcess(const std::vector<std::string>& args);
    ~CCameraProcess();
    CCameraProcess(const CCameraProcess&) = delete;
    CCameraProcess& operator=(const CCameraProcess&) = delete;

    // The port of the first line, "command port N"; 0 when it did not come.
    uint16_t CommandPort() { return FirstLinePort("command port "); }
    // The same of the HTTP camera's "http port N".
    uint16_t HttpPort() { return FirstLinePort("http port "); }
    // Reads until a line starts with `prefix`; false when none came within the bound.
    bool WaitForLine(const std::string& prefix, std::string* pLine = nullptr);
    // The exit status once the process ended by itself, or -1 after the bound.
    int Wait();
    // SIGTERM, as a user's Ctrl-C; Wait() then reads the rest.
    void Terminate();
    const std::vector<std::string>& Lines() const { return m_Lines; }

private:
    bool ReadLine(std::string* pLine);
    uint16_t FirstLinePort(const std::string& prefix);

    static constexpr std::chrono::seconds kBound{20};
    pid_t m_Pid = -1;
    int m_hOut = -1;
    bool m_bEnded = false;  // its output reached its end
    std::string m_Pending;
    std::vector<std::string> m_Lines;
};

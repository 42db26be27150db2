#include "tests/simulator/CCameraProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

CCameraProcess::CCameraProcess(const std::vector<std::string>& args)
{
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> argv = {VCSF_CAMERA_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    if (posix_spawn(&m_Pid, VCSF_CAMERA_PATH, &actions, nullptr, pointers.data(), environ) != 0) m_Pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    m_hOut = out[0];
}

CCameraProcess::~CCameraProcess()
{
    if (m_Pid > 0) {
        kill(m_Pid, SIGTERM);
        waitpid(m_Pid, nullptr, 0);
    }
    if (m_hOut >= 0) close(m_hOut);
}

bool CCameraProcess::ReadLine(std::string* pLine)
{
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    for (;;) {
        const size_t end = m_Pending.find('\n');
        if (end != std::string::npos) {
            *pLine = m_Pending.substr(0, end);
            m_Pending.erase(0, end + 1);
            m_Lines.push_back(*pLine);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd = {m_hOut, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[1024];
        const ssize_t n = read(m_hOut, buffer, sizeof(buffer));
        if (n <= 0) {
            m_bEnded = true;
            return false;
        }
        m_Pending.append(buffer, static_cast<size_t>(n));
    }
}

uint16_t CCameraProcess::FirstLinePort(const std::string& prefix)
{
    std::string line;
    if (!ReadLine(&line) || line.rfind(prefix, 0) != 0) return 0;
    return static_cast<uint16_t>(std::atoi(line.c_str() + prefix.size()));
}

bool CCameraProcess::WaitForLine(const std::string& prefix, std::string* pLine)
{
    std::string line;
    while (ReadLine(&line)) {
        if (line.rfind(prefix, 0) == 0) {
            if (pLine) *pLine = line;
            return true;
        }
    }
    return false;
}

void CCameraProcess::Terminate()
{
    if (m_Pid > 0) kill(m_Pid, SIGTERM);
}

int CCameraProcess::Wait()
{
    std::string line;
    while (ReadLine(&line)) {
    }  // the pipe's end: the process has closed its output
    int status = 0;
    if (m_Pid <= 0 || !m_bEnded || waitpid(m_Pid, &status, 0) != m_Pid) return -1;
    m_Pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#include "tools/camera/CCameraLog.h"

#include <cstdarg>

CCameraLog::~CCameraLog()
{
    if (m_pFile) std::fclose(m_pFile);
}

bool CCameraLog::Open(const std::string& path)
{
    m_pFile = std::fopen(path.c_str(), "a");
    return m_pFile != nullptr;
}

void CCameraLog::Line(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(m_Lock);
    std::fprintf(stdout, "%s\n", text);
    std::fflush(stdout);
    if (m_pFile) {
        std::fprintf(m_pFile, "%s\n", text);
        std::fflush(m_pFile);
    }
}

#include "platform/RunningMark.h"

#include <windows.h>

namespace platform {

namespace {

// packaging/windows/installer.nsi names it too.
constexpr wchar_t kName[] = L"KovaraPCProgramRunning";

} // namespace

RunningMark::RunningMark()
    : m_handle(CreateMutexW(nullptr, FALSE, kName))
{ }

RunningMark::~RunningMark()
{
    if (m_handle)
        CloseHandle(m_handle);
}

} // namespace platform

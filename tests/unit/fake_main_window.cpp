#include "fake_main_window.h"

namespace korvane::testing {

std::string FakeMainWindow::ReadMirror() const
{
    log_.push_back("read mirror");
    return mirror;
}

void FakeMainWindow::SetStatusText(const std::string& text)
{
    status = text;
    log_.push_back("status " + text);
}

void FakeMainWindow::RepaintStatusNow()
{
    log_.push_back("repaint");
}

void FakeMainWindow::SetTimerEnabled(bool enabled)
{
    log_.push_back(enabled ? "timer on" : "timer off");
}

void FakeMainWindow::WriteMirror(const std::string& text)
{
    mirror = text;
    log_.push_back("mirror " + text);
}

bool FakeMainWindow::OpenLink(std::string_view service, std::string_view topic, std::string_view item)
{
    log_.push_back("open " + std::string(service) + " " + std::string(topic) + " " + std::string(item) +
                   (linkOpens ? "" : " (fails)"));
    return linkOpens;
}

void FakeMainWindow::CloseLink()
{
    log_.push_back("close");
}

void FakeMainWindow::EndProgram()
{
    log_.push_back("end program");
}

std::string FakeSound::ProgramDirectory()
{
    ++directoryQueries;
    return directory;
}

void FakeSound::Play(const std::string& path, PlayMode mode)
{
    log_.push_back((mode == PlayMode::Synchronous ? "sync " : "async ") + path);
}

}  // namespace korvane::testing

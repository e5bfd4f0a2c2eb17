#include "fake_form.h"

namespace korvane::testing {

std::string FakeForm::ReadMirror() const
{
    log_.push_back("read mirror");
    return mirror;
}

void FakeForm::SetStatusText(const std::string& text)
{
    status = text;
    log_.push_back("status " + text);
}

void FakeForm::RepaintStatusNow()
{
    log_.push_back("repaint");
}

void FakeForm::SetTimerEnabled(bool enabled)
{
    log_.push_back(enabled ? "timer on" : "timer off");
}

void FakeForm::WriteMirror(const std::string& text)
{
    mirror = text;
    log_.push_back("mirror " + text);
}

bool FakeForm::SetLinkTopic(const std::string& topic)
{
    return Record("topic", "topic " + topic);
}

bool FakeForm::SetLinkItem(const std::string& item)
{
    return Record("item", "item " + item);
}

bool FakeForm::SetLinkMode(LinkMode mode)
{
    return Record("mode", "mode " + std::to_string(static_cast<int>(mode)));
}

void FakeForm::EndProgram()
{
    log_.push_back("end program");
}

bool FakeForm::Record(const std::string& step, const std::string& line)
{
    const bool fails = failingStep == step;
    log_.push_back(fails ? line + " (fails)" : line);
    return !fails;
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

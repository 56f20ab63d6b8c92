#include "logger/outputfile.h"

#include "logger/logerror.h"
#include "system/output.h"
#include "system/process.h"

namespace {
[[noreturn]] void fail(const char *what, const std::string &name, os::Error error)
{
    throw LogError(std::string(what) + name + "：" + os::errorText(error));
}
} // namespace

std::unique_ptr<OutputFile> OutputFile::create(const std::string &name, bool force)
{
    std::unique_ptr<OutputFile> output = createUnlessTaken(name, force);
    if (!output)
        throw LogError(os::refusalText(os::Refusal::Exists, name));
    return output;
}

std::unique_ptr<OutputFile> OutputFile::createUnlessTaken(const std::string &name, bool force)
{
    std::unique_ptr<OutputFile> output(new OutputFile(name));
    const os::Outcome outcome = os::createGrowing(name, force, output->m_file);
    if (outcome.refusal == os::Refusal::Exists)
        return nullptr;
    if (outcome.refusal != os::Refusal::None)
        throw LogError(os::refusalText(outcome.refusal, name));
    switch (outcome.step) {
    case os::Outcome::Step::Open:
        fail("无法打开 ", name, outcome.error);
    case os::Outcome::Step::Empty:
        fail("无法替换 ", name, outcome.error);
    case os::Outcome::Step::Create:
    case os::Outcome::Step::Write:
        fail("无法创建 ", name, outcome.error);
    case os::Outcome::Step::None:
        break;
    }
    output->m_named = true;
    output->start();
    return output;
}

std::unique_ptr<OutputFile> OutputFile::standardOutput()
{
    std::unique_ptr<OutputFile> output(new OutputFile(kStandardOutput));
    os::takeStandardOutput(output->m_file);
    output->start();
    return output;
}

void OutputFile::start()
{
    std::int64_t size = 0;
    m_regular = os::kindOf(m_file, &size) == os::Kind::Regular;
    if (m_regular)
        m_end = os::writePosition(m_file);
}

void OutputFile::write(const char *data, std::size_t size)
{
    os::withStopsHeldBack([&] {
        if (const os::Error error = os::writeAll(m_file, data, size)) {
            // Whatever of this write did land is taken back, so no part of a
            // line stays behind.
            if (m_regular && os::writePosition(m_file) != m_end && os::cutBack(m_file, m_end) != 0)
                fail("无法写入 ", m_name + "，其末行也无法复原", error);
            fail("无法写入 ", m_name, error);
        }
        m_end += std::int64_t(size);
    });
}

void OutputFile::sync()
{
    if (m_regular)
        if (const os::Error error = os::sync(m_file))
            fail("无法同步到磁盘 ", m_name, error);
}

void OutputFile::close()
{
    if (const os::Error error = m_file.close())
        fail("无法关闭 ", m_name, error);
}

void OutputFile::closeAndRemove()
{
    m_file.close();
    if (m_named && m_regular)
        os::remove(m_name);
}

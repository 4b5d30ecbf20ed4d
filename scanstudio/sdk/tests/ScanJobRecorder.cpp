#include "ScanJobRecorder.h"

#include "VuroScanSDK.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Whether this process still holds the file open.
bool heldOpen(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir descriptors("/proc/self/fd");
    for (const QFileInfo &descriptor : descriptors.entryInfoList(QDir::Files | QDir::System)) {
        if (!target.isEmpty() && descriptor.symLinkTarget() == target)
            return true;
    }
    return false;
}

}  // namespace

ScanJobRecorder::ScanJobRecorder(VuroScanSDK &session)
{
    connect(&session, &VuroScanSDK::sigPageProgressBack, this,
            [this](int progress) { record("progress " + std::to_string(progress)); }, Qt::DirectConnection);
    connect(&session, &VuroScanSDK::sigErrCallBack, this,
            [this](int status) { record("error " + std::to_string(status)); }, Qt::DirectConnection);
    connect(&session, &VuroScanSDK::sigJobCompleteBack, this, [this] { record("job"); }, Qt::DirectConnection);
    connect(
        &session, &VuroScanSDK::sigPageCompleteBack, this,
        [this](const QString &fileName, int width, int height) {
            const QFileInfo file(fileName);
            std::string event = "page " + (fileName.isEmpty() ? std::string("<no name>") : file.fileName().toStdString()) +
                                " " + std::to_string(width) + "x" + std::to_string(height);
            if (file.exists())
                event += " size " + std::to_string(file.size());
            if (heldOpen(fileName))
                event += " still open";
            std::lock_guard<std::mutex> lock(m_lock);
            m_pageFiles.push_back(fileName.toStdString());
            m_events.push_back(event);
        },
        Qt::DirectConnection);
}

std::vector<std::string> ScanJobRecorder::events() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
}

std::vector<std::string> ScanJobRecorder::pageFiles() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pageFiles;
}

void ScanJobRecorder::record(const std::string &event)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_events.push_back(event);
}

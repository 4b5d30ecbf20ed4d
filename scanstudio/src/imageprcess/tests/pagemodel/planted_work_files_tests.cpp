// A page's work files in a work folder that every user may write: links and
// pipes planted at their names are replaced, never written through, and
// never hold a call.

#include "page_fixture.h"
#include "scanimage.h"
#include "test_pages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <ostream>
#include <tuple>

namespace {

using vuro::ScanImage;

enum class Plant { SymbolicLink, HardLink, DanglingLink, Pipe };
enum class WorkFile { Unedited, Handle, Show };
enum class Moment { BeforeSet, BeforeCorrection, BeforeViews };

const char *nameOf(Plant p)
{
    switch (p) {
    case Plant::SymbolicLink: return "SymbolicLink";
    case Plant::HardLink: return "HardLink";
    case Plant::DanglingLink: return "DanglingLink";
    case Plant::Pipe: return "Pipe";
    }
    return "";
}

const char *nameOf(WorkFile f)
{
    switch (f) {
    case WorkFile::Unedited: return "Unedited";
    case WorkFile::Handle: return "Handle";
    case WorkFile::Show: return "Show";
    }
    return "";
}

const char *nameOf(Moment m)
{
    switch (m) {
    case Moment::BeforeSet: return "BeforeSet";
    case Moment::BeforeCorrection: return "BeforeCorrection";
    case Moment::BeforeViews: return "BeforeViews";
    }
    return "";
}

using PlantCase = std::tuple<Plant, WorkFile, Moment>;

QByteArray jpegOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpg", 90);
    return bytes;
}

bool isBlue(const QImage *image)
{
    const QRgb centre = image->pixel(image->width() / 2, image->height() / 2);
    return qBlue(centre) > 150 && qRed(centre) < 80;
}

class PlantedWorkFiles : public PageFixture, public ::testing::WithParamInterface<PlantCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(workFolder()));
        ASSERT_EQ(chmod(QFile::encodeName(workFolder()).constData(), 0777), 0);
        QFile victim(victimFile());
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
        victim.write(m_victimBytes);
    }

    QString victimFile() const { return root() + "victim.jpg"; }
    QString nowhere() const { return root() + "nowhere"; }
    QByteArray victimNow() const
    {
        QFile victim(victimFile());
        return victim.open(QIODevice::ReadOnly) ? victim.readAll() : QByteArray();
    }

    static QString pathOf(const ScanImage &page, WorkFile file)
    {
        switch (file) {
        case WorkFile::Unedited: return page.originalFile();
        case WorkFile::Handle: return page.handleFile();
        case WorkFile::Show: return page.showFile();
        }
        return QString();
    }

    // Puts the planted kind at `path` in place of what is there.
    void plantAt(const QString &path) const
    {
        QFile::remove(path);
        const QByteArray name = QFile::encodeName(path);
        switch (std::get<Plant>(GetParam())) {
        case Plant::SymbolicLink:
            ASSERT_EQ(symlink(QFile::encodeName(victimFile()).constData(), name.constData()), 0);
            break;
        case Plant::HardLink:
            ASSERT_EQ(link(QFile::encodeName(victimFile()).constData(), name.constData()), 0);
            break;
        case Plant::DanglingLink:
            ASSERT_EQ(symlink(QFile::encodeName(nowhere()).constData(), name.constData()), 0);
            break;
        case Plant::Pipe:
            ASSERT_EQ(mkfifo(name.constData(), 0666), 0);
            break;
        }
    }

    const QByteArray m_victimBytes = jpegOf(TestPages::blank(64, 48, 100, qRgb(220, 30, 30)));
};

TEST_P(PlantedWorkFiles, AreReplacedAndNeverHoldTheCall)
{
    const auto [plant, file, moment] = GetParam();
    ScanImage page(workFolder());
    if (moment == Moment::BeforeSet)
        plantAt(pathOf(page, file));
    QImage image = TestPages::blank(64, 48, 100, qRgb(30, 60, 200));
    page.setImage(&image, 100, 90);
    if (moment == Moment::BeforeCorrection)
        plantAt(pathOf(page, file));
    page.rote90Right();
    page.setContract(10);
    if (moment == Moment::BeforeViews)
        plantAt(pathOf(page, file));
    page.setShowSize(158, 224, true);
    std::unique_ptr<QImage> saved(page.getSaveImage(color_full));
    std::unique_ptr<QImage> shown(page.getShowImage(color_full));

    EXPECT_EQ(victimNow(), m_victimBytes);
    EXPECT_FALSE(QFile::exists(nowhere()));
    // A view read from a planted name has nothing to show, and a correction
    // that finds no unedited page keeps the views it made before. Only a
    // hard link is read: it makes the victim the file at the name.
    const bool planted[] = {
        (moment == Moment::BeforeViews && file == WorkFile::Handle) ||
            (moment == Moment::BeforeCorrection && file == WorkFile::Unedited),
        (moment == Moment::BeforeViews && file == WorkFile::Show) ||
            (moment == Moment::BeforeCorrection && file == WorkFile::Unedited),
    };
    const QImage *views[] = {saved.get(), shown.get()};
    for (int v = 0; v < 2; ++v) {
        if (planted[v] && plant == Plant::HardLink)
            continue;
        if (planted[v] && moment == Moment::BeforeViews)
            EXPECT_EQ(views[v], nullptr) << "view " << v;
        else
            EXPECT_TRUE(views[v] != nullptr && isBlue(views[v])) << "view " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkFolder, PlantedWorkFiles,
    ::testing::Combine(::testing::Values(Plant::SymbolicLink, Plant::HardLink, Plant::DanglingLink, Plant::Pipe),
                       ::testing::Values(WorkFile::Unedited, WorkFile::Handle, WorkFile::Show),
                       ::testing::Values(Moment::BeforeSet, Moment::BeforeCorrection, Moment::BeforeViews)),
    [](const ::testing::TestParamInfo<PlantCase> &info) {
        return std::string(nameOf(std::get<Plant>(info.param))) + "At" + nameOf(std::get<WorkFile>(info.param)) +
               nameOf(std::get<Moment>(info.param));
    });

} // namespace

// The recogniser hand-off against a scripted recogniser: the command lines,
// the version probe, the text copies and the orientation step.

#include "libimageprocess.h"
#include "page_fixture.h"
#include "test_pages.h"

#include <QDir>
#include <QFile>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using vuro::Libimageprocess;
using Runs = std::vector<std::vector<std::string>>;

class ScriptedRecogniser {
public:
    explicit ScriptedRecogniser(const QString &root) : m_root(root)
    {
        QDir().mkpath(root + "bin");
        const QString program = root + "bin/taliroocr";
        QFile::copy(SCRIPTED_RECOGNISER, program);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void answer(const QString &name, const QByteArray &content) const
    {
        QFile file(m_root + name);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    }

    // The argument lists of every run so far.
    Runs runs() const
    {
        Runs result(1);
        for (const std::string &line : splitLines(readFile(m_root + "argv.log"))) {
            if (line == "--")
                result.emplace_back();
            else
                result.back().push_back(line);
        }
        result.pop_back();
        return result;
    }

    static std::string readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

private:
    static std::vector<std::string> splitLines(const std::string &text)
    {
        std::vector<std::string> lines;
        std::string line;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return lines;
    }

    QString m_root;
};

class RecogniserTest : public PageFixture {
protected:
    void addPage()
    {
        QImage image = TestPages::blank(60, 40, 100, qRgb(200, 200, 200));
        list.appendImage(&image);
    }
    std::string data() const { return root().toStdString() + "data/talirotessdata"; }

    ScriptedRecogniser recogniser{root()};
    Libimageprocess list{root()};
};

TEST_F(RecogniserTest, VersionProbeGivesTheFirstLine)
{
    QString version;
    EXPECT_TRUE(list.getOCREnable(version));
    EXPECT_EQ(version, "tesseract 5.9.1\n");
    EXPECT_EQ(recogniser.runs(), (Runs{{"--tessdata-dir", data(), "-v"}}));
    EXPECT_TRUE(workFiles().empty()) << "the probe's capture is removed";
}

TEST_F(RecogniserTest, FailedVersionProbeDisablesEverything)
{
    recogniser.answer("version.status", "1");
    QString version;
    EXPECT_FALSE(list.getOCREnable(version));

    list.setDetectOrientation(true);
    recogniser.answer("osd", "Rotate: 90\n");
    QImage image = TestPages::blank(200, 100, 100, qRgb(255, 255, 255));
    list.appendImage(&image);
    EXPECT_EQ(list.getImageSize(0), QSize(200, 100)) << "no page is turned";
    EXPECT_FALSE(list.saveImagesToTxt(root() + "out", 100, "chi_sim"));
    for (const auto &run : recogniser.runs())
        EXPECT_EQ(run.back(), "-v");
    EXPECT_FALSE(QFile::exists(root() + "out.txt"));
}

TEST_F(RecogniserTest, MissingRecogniserIsNotUsable)
{
    QFile::remove(root() + "bin/taliroocr");
    QString version;
    EXPECT_FALSE(list.getOCREnable(version));
}

TEST_F(RecogniserTest, OcrReplacesOrAppendsTheText)
{
    addPage();
    const QString out = root() + "scan/ocr.txt";
    recogniser.answer("text", "first\n");
    EXPECT_TRUE(list.ocr(0, out, "chi_sim", false));
    recogniser.answer("text", "second\n");
    EXPECT_TRUE(list.ocr(0, out, "chi_sim", false));
    EXPECT_EQ(ScriptedRecogniser::readFile(out), "second\n");
    EXPECT_TRUE(list.ocr(0, out, "eng", true));
    EXPECT_EQ(ScriptedRecogniser::readFile(out), "second\nsecond\n");

    const Runs runs = recogniser.runs();
    ASSERT_EQ(runs.size(), 3u);
    ASSERT_EQ(runs[2].size(), 6u);
    EXPECT_EQ(runs[2][0], "--tessdata-dir");
    EXPECT_EQ(runs[2][1], data());
    EXPECT_EQ(runs[2][4], "-l");
    EXPECT_EQ(runs[2][5], "eng");
    EXPECT_EQ(workFiles().size(), 3u) << "only the page's own files stay";
}

TEST_F(RecogniserTest, FailedOcrKeepsTheTarget)
{
    addPage();
    const QString out = root() + "kept.txt";
    recogniser.answer("text", "new\n");
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old\n");
    file.close();
    recogniser.answer("recognise.status", "1");
    EXPECT_FALSE(list.ocr(0, out, "chi_sim", false));
    EXPECT_FALSE(list.ocr(3, out, "chi_sim", false));
    EXPECT_EQ(ScriptedRecogniser::readFile(out), "old\n");
}

TEST_F(RecogniserTest, SaveTextFollowsEarlierTextAndKeepsItsExtension)
{
    addPage();
    addPage();
    recogniser.answer("text", "page\n");
    const QString upper = root() + "out.TXT";
    QFile file(upper);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("earlier\n");
    file.close();
    EXPECT_TRUE(list.saveImagesToTxt(upper, 100, "chi_sim"));
    EXPECT_EQ(ScriptedRecogniser::readFile(upper), "earlier\npage\npage\n");
    EXPECT_FALSE(QFile::exists(upper + ".txt"));

    EXPECT_TRUE(list.saveImagesToTxt(root() + "plain", 100, "chi_sim"));
    EXPECT_EQ(ScriptedRecogniser::readFile(root() + "plain.txt"), "page\npage\n");

    recogniser.answer("recognise.status", "2");
    EXPECT_TRUE(list.saveImagesToTxt(root() + "failing", 100, "chi_sim")) << "single pages may fail";
    EXPECT_FALSE(QFile::exists(root() + "failing.txt"));

    list.clearList();
    EXPECT_FALSE(list.saveImagesToTxt(root() + "empty", 100, "chi_sim"));
}

TEST_F(RecogniserTest, SaveWritesTheTextBesideTheImagesWhenAsked)
{
    addPage();
    recogniser.answer("text", "words\n");
    list.setStreamWriter([](const QString &, int, vuro_color_format) { return true; });
    list.setOCROut(true);
    recogniser.answer("recognise.status", "1");
    EXPECT_TRUE(list.save(root() + "saved")) << "the text does not decide the save";
    recogniser.answer("recognise.status", "0");
    EXPECT_TRUE(list.save(root() + "saved"));
    EXPECT_EQ(ScriptedRecogniser::readFile(root() + "saved.txt"), "words\n");
}

// Where the black mark of the top-left corner ends up.
QPoint markOf(const QImage &image)
{
    for (int y = 0; y < image.height(); y += 5)
        for (int x = 0; x < image.width(); x += 5)
            if (qGray(image.pixel(x, y)) < 60)
                return QPoint(x < image.width() / 2 ? 0 : 1, y < image.height() / 2 ? 0 : 1);
    return QPoint(-1, -1);
}

TEST_F(RecogniserTest, OrientationTurnsOnlyByRightAngles)
{
    struct Case
    {
        const char *osd;
        QSize size;
        QPoint mark;  // quadrant of the mark: x right, y down
    };
    const Case cases[] = {
        {"Orientation in degrees: 270\nRotate: 90\n", QSize(100, 200), QPoint(1, 0)},
        {"Rotate: 180\n", QSize(200, 100), QPoint(1, 1)},
        {"Rotate: 270\n", QSize(100, 200), QPoint(0, 1)},
        {"Rotate: 0\n", QSize(200, 100), QPoint(0, 0)},
        {"Orientation in degrees: 90\n", QSize(200, 100), QPoint(0, 0)},
        {"Rotate: 45\n", QSize(200, 100), QPoint(0, 0)},
        {"", QSize(200, 100), QPoint(0, 0)},
    };
    for (const Case &c : cases) {
        recogniser.answer("osd", c.osd);
        QImage image = withCornerMark(TestPages::blank(200, 100, 100, qRgb(255, 255, 255)), 20, 5);
        list.correctOrientation(&image);
        EXPECT_EQ(image.size(), c.size) << c.osd;
        EXPECT_EQ(markOf(image), c.mark) << c.osd;
    }
    const Runs runs = recogniser.runs();
    ASSERT_FALSE(runs.empty());
    ASSERT_EQ(runs.back().size(), 8u);
    EXPECT_EQ(std::vector<std::string>(runs.back().begin() + 4, runs.back().end()),
              (std::vector<std::string>{"--psm", "0", "-l", "osd"}));
    EXPECT_TRUE(workFiles().empty());
}

TEST_F(RecogniserTest, ImportTurnsThePageUprightWhenAsked)
{
    recogniser.answer("osd", "Rotate: 90\n");
    list.setDetectOrientation(true);
    QImage image = TestPages::blank(200, 100, 100, qRgb(255, 255, 255));
    list.appendImage(&image);
    EXPECT_EQ(list.getImageSize(0), QSize(100, 200));
}

TEST_F(RecogniserTest, EveryRunHasAPrivateFolderOfItsOwn)
{
    addPage();
    recogniser.answer("text", "words\n");
    recogniser.answer("osd", "Rotate: 0\n");
    EXPECT_TRUE(list.ocr(0, root() + "a.txt", "chi_sim", false));
    EXPECT_TRUE(list.saveImagesToTxt(root() + "b", 100, "chi_sim"));
    QImage image = TestPages::blank(200, 100, 100, qRgb(255, 255, 255));
    list.correctOrientation(&image);

    const std::string log = ScriptedRecogniser::readFile(root() + "folders.log");
    std::set<std::string> folders;
    std::size_t runs = 0;
    for (std::size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1, ++runs) {
        const std::string line = log.substr(start, end - start);
        const std::size_t space = line.find(' ');
        EXPECT_EQ(line.substr(0, space), "700") << line;
        const std::string folder = line.substr(space + 1);
        EXPECT_EQ(folder.rfind(workFolder().toStdString(), 0), 0u) << line;
        EXPECT_FALSE(std::filesystem::exists(folder)) << line;
        folders.insert(folder);
    }
    EXPECT_EQ(runs, 3u);
    EXPECT_EQ(folders.size(), runs);
    EXPECT_EQ(workFiles().size(), 3u) << "only the page's own files stay";
}

// A recogniser whose output is a pipe, or a link to another file, gave no
// output: nothing waits on the pipe and nothing is read through the link.
TEST_F(RecogniserTest, OutputThatIsNoFileIsNoOutput)
{
    addPage();
    recogniser.answer("victim", "Rotate: 90\nnot the page's text\n");
    for (const char *kind : {"pipe", "link"}) {
        recogniser.answer("output.kind", kind);
        const QString out = root() + kind + ".txt";
        EXPECT_FALSE(list.ocr(0, out, "chi_sim", false)) << kind;
        EXPECT_FALSE(QFile::exists(out)) << kind;
        QImage image = TestPages::blank(200, 100, 100, qRgb(255, 255, 255));
        list.correctOrientation(&image);
        EXPECT_EQ(image.size(), QSize(200, 100)) << kind;
    }
}

// A root and a save path full of what a shell would act on.
class HostilePathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = QString::fromStdString(m_folder.dir()) + "a b'c;d$(touch x)`touch y`/";
        QDir().mkpath(m_root);
    }
    std::set<std::string> allNames() const
    {
        std::set<std::string> names;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(m_folder.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    testsupport::TempFolder m_folder;
    QString m_root;
};

TEST_F(HostilePathTest, TextArrivesAndNothingElseRuns)
{
    ScriptedRecogniser recogniser(m_root);
    Libimageprocess list(m_root);
    recogniser.answer("text", "text\n");
    QImage image = TestPages::blank(60, 40, 100, qRgb(255, 255, 255));
    list.appendImage(&image);
    list.setStreamWriter([](const QString &, int, vuro_color_format) { return true; });
    list.setOCROut(true);

    const QString path = m_root + "out dir/it's \"$(touch z)\";name";
    EXPECT_TRUE(list.save(path));
    EXPECT_EQ(ScriptedRecogniser::readFile(path + ".txt"), "text\n");
    EXPECT_TRUE(list.ocr(0, m_root + "o; $(touch w).txt", "chi_sim", false));
    EXPECT_EQ(ScriptedRecogniser::readFile(m_root + "o; $(touch w).txt"), "text\n");

    const Runs runs = recogniser.runs();
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs.back()[1], m_root.toStdString() + "data/talirotessdata");
    for (const char *stray : {"x", "y", "z", "w"}) {
        EXPECT_EQ(allNames().count(stray), 0u) << stray;
        EXPECT_FALSE(QFile::exists(stray)) << stray;
    }
}

} // namespace

// Whole OFD documents, read back with unzip and xmllint.
#include "child_process.h"
#include "jpeg_fixture.h"
#include "ofd.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

namespace {

using ofdtest::bytesOf;
using ofdtest::makeJpeg;
namespace fs = std::filesystem;

// Records what the writer reports and cancels at a chosen page.
class Recorder : public ofd::ofd_callback {
public:
    void showMessage(const char* text, int code) override { messages.emplace_back(text, code); }
    void onPosChanging(long long total, long long pos, bool& cancel) override
    {
        changing.emplace_back(total, pos);
        if (whileWriting)
            whileWriting();
        cancel = pos == cancelAt;
    }
    void onPosChanged(long long total, long long pos) override { changed.emplace_back(total, pos); }

    long long cancelAt = -1;
    std::function<void()> whileWriting;
    std::vector<std::pair<std::string, int>> messages;
    std::vector<std::pair<long long, long long>> changing;
    std::vector<std::pair<long long, long long>> changed;
};

ofd::ofd_docinfo documentInfo()
{
    ofd::ofd_docinfo info;
    info.dpi = 300;
    info.page_width = 210;
    info.page_height = 297;
    info.creator = "Kelpra-PageKiln";
    info.creator_version = "1.0";
    return info;
}

int run(const std::vector<std::string>& argv, std::string* output = nullptr)
{
    return testbed::runProgram(argv, 30000, output);
}

bool isEmptyOrMissing(const std::string& folder)
{
    return !fs::exists(folder) || fs::is_empty(folder);
}

// A document of three A4 pages at 300 dpi, each of its own colour; page 1
// comes from memory, the others from files.
class ThreePageDocument : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            pages.push_back(makeJpeg(2480, 3508, 300, qRgb(60 * i, 200, 255 - 60 * i)));
            dir.write("page" + std::to_string(i) + ".jpg", pages.back());
        }
    }

    ofd::ofd_context newDocument(ofd::ofd_callback* callback)
    {
        const ofd::ofd_docinfo info = documentInfo();
        ofd::ofd_context context = ofd::init_context(&info, callback, work().c_str());
        EXPECT_EQ(ofd::add_jpeg_image(context, dir.file("page0.jpg").c_str()), 0);
        EXPECT_EQ(ofd::add_jpeg_buffer(context, bytesOf(pages[1]), static_cast<unsigned>(pages[1].size())), 0);
        EXPECT_EQ(ofd::add_jpeg_image(context, dir.file("page2.jpg").c_str()), 0);
        return context;
    }

    std::string work() const { return dir.file("scan/tmp"); }

    testsupport::TempFolder dir;
    std::vector<std::string> pages;
};

TEST_F(ThreePageDocument, PackageReadsBackWithIndependentTools)
{
    Recorder recorder;
    ofd::ofd_context context = newDocument(&recorder);
    const std::string out = dir.file("out.ofd");
    ASSERT_EQ(ofd::create_document(context, out.c_str()), 0);
    EXPECT_EQ(ofd::get_lasterror(context), 0);
    ofd::destory_context(context);
    EXPECT_TRUE(isEmptyOrMissing(work()));

    EXPECT_EQ(run({"/usr/bin/unzip", "-t", out}), 0);
    std::string listing;
    ASSERT_EQ(run({"/usr/bin/unzip", "-v", out}, &listing), 0);
    // "  Length  Method  Size  Cmpr  Date  Time  CRC-32  Name" rows.
    const std::regex row(R"(^\s*(\d+)\s+(\S+)\s+(\d+)\s+\S+\s+(\S+)\s+(\S+)\s+[0-9a-f]{8}\s+(\S+)$)");
    std::set<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::smatch entry;
        if (!std::regex_match(line, entry, row))
            continue;
        names.insert(entry[6]);
        EXPECT_EQ(entry[2], "Stored") << line;
        EXPECT_EQ(entry[1], entry[3]) << line;
        EXPECT_EQ(entry[4], "1980-01-00") << line;
        EXPECT_EQ(entry[5], "00:00") << line;
    }
    const std::set<std::string> expected = {
        "OFD.xml",
        "Doc_0/Document.xml",
        "Doc_0/DocumentRes.xml",
        "Doc_0/Pages/Page_0/Context.xml",
        "Doc_0/Pages/Page_1/Context.xml",
        "Doc_0/Pages/Page_2/Context.xml",
        "Doc_0/Res/image_2.jpg",
        "Doc_0/Res/image_6.jpg",
        "Doc_0/Res/image_10.jpg",
    };
    EXPECT_EQ(names, expected);

    const std::string unpacked = dir.file("unpacked");
    ASSERT_EQ(run({"/usr/bin/unzip", "-q", out, "-d", unpacked}), 0);
    for (const std::string& name : expected) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
            EXPECT_EQ(run({"/usr/bin/xmllint", "--noout", unpacked + "/" + name}), 0) << name;
        }
    }
    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/Res/image_2.jpg"), pages[0]);
    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/Res/image_6.jpg"), pages[1]);
    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/Res/image_10.jpg"), pages[2]);

    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/Document.xml"),
              "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
              "<ofd:Document xmlns:ofd=\"http://www.ofdspec.org/2016\">\n"
              "\t<ofd:CommonData>\n"
              "\t\t<ofd:MaxUnitID>12</ofd:MaxUnitID>\n"
              "\t\t<ofd:PageArea>\n"
              "\t\t\t<ofd:PhysicalBox>0 0 210.000000 297.000000</ofd:PhysicalBox>\n"
              "\t\t</ofd:PageArea>\n"
              "\t\t<ofd:DocumentRes>DocumentRes.xml</ofd:DocumentRes>\n"
              "\t</ofd:CommonData>\n"
              "\t<ofd:Pages>\n"
              "\t\t<ofd:Page ID=\"1\" BaseLoc=\"Pages/Page_0/Context.xml\"/>\n"
              "\t\t<ofd:Page ID=\"5\" BaseLoc=\"Pages/Page_1/Context.xml\"/>\n"
              "\t\t<ofd:Page ID=\"9\" BaseLoc=\"Pages/Page_2/Context.xml\"/>\n"
              "\t</ofd:Pages>\n"
              "</ofd:Document>\n\n");
    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/DocumentRes.xml"),
              "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
              "<ofd:Res xmlns:ofd=\"http://www.ofdspec.org/2016\" BaseLoc=\"Res\">\n"
              "\t<ofd:MultiMedias>\n"
              "\t\t<ofd:MultiMedia ID=\"2\" Type=\"Image\">\n"
              "\t\t\t<ofd:MediaFile>image_2.jpg</ofd:MediaFile>\n"
              "\t\t</ofd:MultiMedia>\n"
              "\t\t<ofd:MultiMedia ID=\"6\" Type=\"Image\">\n"
              "\t\t\t<ofd:MediaFile>image_6.jpg</ofd:MediaFile>\n"
              "\t\t</ofd:MultiMedia>\n"
              "\t\t<ofd:MultiMedia ID=\"10\" Type=\"Image\">\n"
              "\t\t\t<ofd:MediaFile>image_10.jpg</ofd:MediaFile>\n"
              "\t\t</ofd:MultiMedia>\n"
              "\t</ofd:MultiMedias>\n"
              "</ofd:Res>\n\n");
    EXPECT_EQ(testsupport::readText(unpacked + "/Doc_0/Pages/Page_2/Context.xml"),
              "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
              "<ofd:Page xmlns:ofd=\"http://www.ofdspec.org/2016\">\n"
              "\t<ofd:Area>\n"
              "\t\t<ofd:PhysicalBox>0 0 209.973328 297.010681</ofd:PhysicalBox>\n"
              "\t</ofd:Area>\n"
              "\t<ofd:Content>\n"
              "\t\t<ofd:Layer ID=\"11\">\n"
              "\t\t\t<ofd:ImageObject ID=\"12\" CTM=\"209.973328 0 0 297.010681 0 0\" "
              "Boundary=\"0 0 209.973328 297.010681\" ResourceID=\"10\"/>\n"
              "\t\t</ofd:Layer>\n"
              "\t</ofd:Content>\n"
              "</ofd:Page>\n\n");
    const std::regex ofdXml(
        "<\\?xml version=\"1.0\" encoding=\"gb2312\"\\?>\n"
        "<ofd:OFD xmlns:ofd=\"http://www.ofdspec.org/2016\" DocType=\"OFD\" Version=\"1.1\">\n"
        "\t<ofd:DocBody>\n"
        "\t\t<ofd:DocInfo>\n"
        "\t\t\t<ofd:DocID>[0-9a-f]{12}4[0-9a-f]{3}[89ab][0-9a-f]{15}</ofd:DocID>\n"
        "\t\t\t<ofd:CreationDate>\\d{4}-\\d\\d-\\d\\d</ofd:CreationDate>\n"
        "\t\t\t<ofd:ModDate>\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d</ofd:ModDate>\n"
        "\t\t\t<ofd:Creator>Kelpra-PageKiln</ofd:Creator>\n"
        "\t\t\t<ofd:CreatorVersion>1.0</ofd:CreatorVersion>\n"
        "\t\t</ofd:DocInfo>\n"
        "\t\t<ofd:DocRoot>Doc_0/Document.xml</ofd:DocRoot>\n"
        "\t</ofd:DocBody>\n"
        "</ofd:OFD>\n\n");
    EXPECT_TRUE(std::regex_match(testsupport::readText(unpacked + "/OFD.xml"), ofdXml));

    const std::vector<std::pair<std::string, int>> messages = {
        {"init", 0}, {"copy image files", 0}, {"create ofd document xml files", 0},
        {"compress files", 0}, {"cleaup tmp files", 0}};
    EXPECT_EQ(recorder.messages, messages);
    const std::vector<std::pair<long long, long long>> progress = {{3, 1}, {3, 2}, {3, 3}};
    EXPECT_EQ(recorder.changing, progress);
    EXPECT_EQ(recorder.changed, progress);
}

TEST_F(ThreePageDocument, CancelAtTheSecondPageLeavesNothingBehind)
{
    Recorder recorder;
    recorder.cancelAt = 2;
    // The package folder is the work folder's only entry, private to its owner.
    std::vector<std::string> packageFolders;
    recorder.whileWriting = [&] {
        for (const auto& entry : fs::directory_iterator(work())) {
            struct stat info{};
            lstat(entry.path().c_str(), &info);
            EXPECT_TRUE(S_ISDIR(info.st_mode));
            EXPECT_EQ(info.st_mode & 07777, 0700u);
            packageFolders.push_back(entry.path().filename());
        }
    };
    ofd::ofd_context context = newDocument(&recorder);
    EXPECT_EQ(ofd::create_document(context, dir.file("out.ofd").c_str()), -3);
    EXPECT_EQ(ofd::get_lasterror(context), -3);
    ofd::destory_context(context);
    EXPECT_FALSE(fs::exists(dir.file("out.ofd")));
    EXPECT_TRUE(fs::exists(work()));
    EXPECT_TRUE(isEmptyOrMissing(work()));
    const std::vector<std::pair<long long, long long>> changing = {{3, 1}, {3, 2}};
    const std::vector<std::pair<long long, long long>> changed = {{3, 1}};
    EXPECT_EQ(recorder.changing, changing);
    EXPECT_EQ(recorder.changed, changed);
    ASSERT_EQ(packageFolders.size(), 2u);
    EXPECT_EQ(packageFolders[0], packageFolders[1]);
    EXPECT_TRUE(std::regex_match(packageFolders[0], std::regex("[0-9a-f]{16}")));
    EXPECT_EQ(recorder.messages.back(), std::make_pair(std::string("cleaup tmp files"), 0));
}

// Each failure gives its code and message, keeps an existing output file as
// it was and removes the package folder.
TEST_F(ThreePageDocument, FailuresReportTheirCodeAndCleanUp)
{
    struct Case {
        const char* name;
        std::string out;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"page file gone", dir.file("out.ofd"), -5, "page image copy failed!"},
        {"output folder missing", dir.file("missing/out.ofd"), -9, "compress out file error"},
        {"output is a folder", dir.file("scan"), -9, "compress out file error"},
    };
    for (const Case& c : cases) {
        dir.write("out.ofd", "previous document");
        Recorder recorder;
        ofd::ofd_context context = newDocument(&recorder);
        if (c.code == -5)
            fs::remove(dir.file("page2.jpg"));
        EXPECT_EQ(ofd::create_document(context, c.out.c_str()), c.code) << c.name;
        ofd::destory_context(context);
        dir.write("page2.jpg", pages[2]);
        EXPECT_EQ(dir.read("out.ofd"), "previous document") << c.name;
        EXPECT_TRUE(isEmptyOrMissing(work())) << c.name;
        EXPECT_NE(std::find(recorder.messages.begin(), recorder.messages.end(),
                            std::make_pair(std::string(c.message), -1)),
                  recorder.messages.end())
            << c.name;
        EXPECT_EQ(recorder.messages.back(), std::make_pair(std::string("cleaup tmp files"), 0)) << c.name;
    }

    // A work folder that cannot be made.
    dir.write("blocked", "");
    const ofd::ofd_docinfo info = documentInfo();
    Recorder recorder;
    ofd::ofd_context context = ofd::init_context(&info, &recorder, dir.file("blocked/tmp").c_str());
    ASSERT_EQ(ofd::add_jpeg_image(context, dir.file("page0.jpg").c_str()), 0);
    EXPECT_EQ(ofd::create_document(context, dir.file("blocked.ofd").c_str()), -8);
    ofd::destory_context(context);
    EXPECT_FALSE(fs::exists(dir.file("blocked.ofd")));
    const std::vector<std::pair<std::string, int>> messages = {
        {"init", 0}, {"create res directory error", -1}, {"cleaup tmp files", 0}};
    EXPECT_EQ(recorder.messages, messages);
}

TEST(OfdDocument, NoPagesGivesMinusTwoAndNoFolder)
{
    testsupport::TempFolder dir;
    Recorder recorder;
    const ofd::ofd_docinfo info = documentInfo();
    ofd::ofd_context context = ofd::init_context(&info, &recorder, dir.file("scan/tmp").c_str());
    EXPECT_EQ(ofd::create_document(context, dir.file("out.ofd").c_str()), -2);
    EXPECT_EQ(ofd::get_lasterror(context), -2);
    ofd::destory_context(context);
    EXPECT_EQ(dir.names(), std::set<std::string>{});
    EXPECT_TRUE(recorder.messages.empty());
}

std::string unpackedText(const testsupport::TempFolder& dir, const std::string& ofdFile, const std::string& entry)
{
    std::string text;
    run({"/usr/bin/unzip", "-p", dir.file(ofdFile), entry}, &text);
    return text;
}

// Documents written in the same second get different IDs; custom data items
// follow the creator version, each with its name and then its type.
TEST(OfdDocument, DocumentIdsDifferAndCustomDataIsListed)
{
    testsupport::TempFolder dir;
    dir.write("page.jpg", makeJpeg(64, 48, 300));
    const ofd::ofd_docinfo info = documentInfo();
    std::set<std::string> ids;
    for (int i = 0; i < 4; ++i) {
        ofd::ofd_context context = ofd::init_context(&info, nullptr, dir.file("tmp").c_str());
        ASSERT_EQ(ofd::add_jpeg_image(context, dir.file("page.jpg").c_str()), 0);
        if (i == 0) {
            ofd::add_customdata(context, "Scanner", "TX 560MDW", "text");
            ofd::add_customdata(context, "Pages", "1", "int");
        }
        const std::string name = "doc" + std::to_string(i) + ".ofd";
        ASSERT_EQ(ofd::create_document(context, dir.file(name).c_str()), 0);
        ofd::destory_context(context);
        const std::string xml = unpackedText(dir, name, "OFD.xml");
        std::smatch id;
        ASSERT_TRUE(std::regex_search(xml, id, std::regex("<ofd:DocID>([0-9a-f]{32})</ofd:DocID>")));
        ids.insert(id[1]);
        if (i == 0)
            EXPECT_NE(xml.find("\t\t\t<ofd:CreatorVersion>1.0</ofd:CreatorVersion>\n"
                               "\t\t\t<ofd:CustomDatas>\n"
                               "\t\t\t\t<ofd:CustomData Name=\"Scanner\" Type=\"text\">TX 560MDW</ofd:CustomData>\n"
                               "\t\t\t\t<ofd:CustomData Name=\"Pages\" Type=\"int\">1</ofd:CustomData>\n"
                               "\t\t\t</ofd:CustomDatas>\n"),
                      std::string::npos)
                << xml;
        else
            EXPECT_EQ(xml.find("CustomDatas"), std::string::npos);
    }
    EXPECT_EQ(ids.size(), 4u);
}

// Page sizes from the JPEG header: dots per centimetre, no unit, and a
// decimal-comma locale that must not reach the XML.
TEST(OfdDocument, PageSizesFollowTheHeaderInTheCLocale)
{
    testsupport::TempFolder dir;
    const std::string small = makeJpeg(1000, 500, 300);
    dir.write("cm.jpg", ofdtest::withDensity(small, 2, 118, 118));
    dir.write("none.jpg", ofdtest::withDensity(small, 0, 0, 0));
    const char* locale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"})
        if ((locale = std::setlocale(LC_ALL, name)) != nullptr)
            break;
    const ofd::ofd_docinfo info = documentInfo();
    ofd::ofd_context context = ofd::init_context(&info, nullptr, dir.file("tmp").c_str());
    ASSERT_EQ(ofd::add_jpeg_image(context, dir.file("cm.jpg").c_str()), 0);
    ASSERT_EQ(ofd::add_jpeg_image(context, dir.file("none.jpg").c_str()), 0);
    const int result = ofd::create_document(context, dir.file("sizes.ofd").c_str());
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(result, 0);
    ofd::destory_context(context);
    EXPECT_NE(locale, nullptr) << "no decimal-comma locale installed (tools/install-deps.sh makes de_DE.UTF-8)";
    // 1000 px at 299.72 dpi and 300 dpi, narrowed to float.
    EXPECT_NE(unpackedText(dir, "sizes.ofd", "Doc_0/Pages/Page_0/Context.xml")
                  .find("<ofd:PhysicalBox>0 0 84.745766 42.372883</ofd:PhysicalBox>"),
              std::string::npos);
    EXPECT_NE(unpackedText(dir, "sizes.ofd", "Doc_0/Pages/Page_1/Context.xml")
                  .find("<ofd:PhysicalBox>0 0 84.666664 42.333332</ofd:PhysicalBox>"),
              std::string::npos);
}

}  // namespace

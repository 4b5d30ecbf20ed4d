#include "printer_list_reader.h"

#include "assistant_test_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>

namespace {

using assistant_test::Printer;

QString Root(const testsupport::TempFolder& folder)
{
    return QString::fromStdString(folder.dir());
}

void ExpectSame(const stPrinterInfo& got, const stPrinterInfo& want, int index)
{
    EXPECT_EQ(got.strName, want.strName) << index;
    EXPECT_EQ(got.strModel, want.strModel) << index;
    EXPECT_EQ(got.iConnectType, want.iConnectType) << index;
    EXPECT_EQ(got.strPort, want.strPort) << index;
    EXPECT_EQ(got.strURI, want.strURI) << index;
}

TEST(GetPrinterInfo, ReadsWhatTheSettingsWriterWroteInOrder)
{
    testsupport::TempFolder folder;
    const QList<stPrinterInfo> printers = {
        Printer(QStringLiteral("Q1"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123"),
                QStringLiteral("usb://Taliro/TX%20560MDW?serial=ABC123")),
        Printer(QStringLiteral("办公室=二楼, 打印机"), 2, QStringLiteral("127.0.0.2"),
                QStringLiteral("socket://127.0.0.2:9100"), QStringLiteral("taliro tx 560pdn")),
        Printer(QStringLiteral("Q;$(x)`y`"), 0, QString(), QStringLiteral("ipp://h/")),
    };
    assistant_test::WritePrinterList(Root(folder), printers);

    const QList<stPrinterInfo> read = GetPrinterInfo(Root(folder));
    ASSERT_EQ(read.size(), printers.size());
    for (int i = 0; i < printers.size(); ++i)
        ExpectSame(read[i], printers[i], i);
}

TEST(GetPrinterInfo, DamagedOrPartialFiles)
{
    const QString groupsOf300 = [] {
        QString text = QStringLiteral("[Main]\nCount=300\n");
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("[printer_%1]\nName=P%1\n").arg(i);
        return text;
    }();
    struct Case {
        const char* what;
        QString content;  // null: no file
        QStringList names;
    };
    const Case cases[] = {
        {"missing file", QString(), {}},
        {"no Count", QStringLiteral("[printer_0]\nName=A\n"), {}},
        {"Count 0", QStringLiteral("[Main]\nCount=0\n[printer_0]\nName=A\n"), {}},
        {"negative Count", QStringLiteral("[Main]\nCount=-3\n[printer_0]\nName=A\n"), {}},
        {"text Count", QStringLiteral("[Main]\nCount=two\n[printer_0]\nName=A\n"), {}},
        {"Count below the printer groups: groups beyond Count are ignored",
         QStringLiteral("[Main]\nCount=1\n[printer_0]\nName=A\n[printer_1]\nName=B\n"), {QStringLiteral("A")}},
        {"Count equal to the printer groups",
         QStringLiteral("[Main]\nCount=2\n[printer_0]\nName=A\n[printer_1]\nName=B\n"),
         {QStringLiteral("A"), QStringLiteral("B")}},
        {"Count above the printer groups adds no blank printer",
         QStringLiteral("[Main]\nCount=3\n[printer_0]\nName=A\n"), {QStringLiteral("A")}},
        {"Count with no printer group at all", QStringLiteral("[Main]\nCount=3\n"), {}},
        {"other groups are no printers",
         QStringLiteral("[Main]\nCount=3\n[printer_0]\nName=A\n[printer_x]\nName=X\n[printer_01]\nName=Z\n"
                        "[Other]\nName=O\n"),
         {QStringLiteral("A")}},
        {"a huge Count is held to the printer groups the file holds",
         QStringLiteral("[Main]\nCount=2000000000\n[printer_0]\nName=A\n[printer_1]\nName=B\n"),
         {QStringLiteral("A"), QStringLiteral("B")}},
    };
    for (const Case& c : cases) {
        testsupport::TempFolder folder;
        std::filesystem::create_directories(folder.file("cfg"));
        if (!c.content.isNull())
            folder.write("cfg/printerlist.ini", c.content.toStdString());
        const QList<stPrinterInfo> read = GetPrinterInfo(Root(folder));
        QStringList names;
        for (const stPrinterInfo& info : read)
            names.append(info.strName);
        EXPECT_EQ(names, c.names) << c.what;
    }

    testsupport::TempFolder folder;
    std::filesystem::create_directories(folder.file("cfg"));
    folder.write("cfg/printerlist.ini", groupsOf300.toStdString());
    const QList<stPrinterInfo> read = GetPrinterInfo(Root(folder));
    ASSERT_EQ(read.size(), kMaxListedPrinters);
    EXPECT_EQ(read.last().strName, QStringLiteral("P255"));
}

TEST(GetPrinterInfo, MissingKeysGiveEmptyTextAndTypeZero)
{
    testsupport::TempFolder folder;
    std::filesystem::create_directories(folder.file("cfg"));
    folder.write("cfg/printerlist.ini", "[Main]\nCount=1\n[printer_0]\nName=A\nConnectType=usb\n");
    const QList<stPrinterInfo> read = GetPrinterInfo(Root(folder));
    ASSERT_EQ(read.size(), 1);
    ExpectSame(read[0], stPrinterInfo{QStringLiteral("A"), QString(), 0, QString(), QString()}, 0);
}

}  // namespace

// The About box: texts, colours, closing, and System Info's search for a viewer (registry, then PATH).
#include "aboutdialog.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cstring>

namespace {

const QString kMsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSharedToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QStringList kUnavailable{ QStringLiteral("System Information Is Unavailable At This Time") };

// What StartSysInfo sees: a registry in memory acting like the Windows calls, a PATH holding only
// copies of the fake tool under the given names (they log their runs to runs.log), and a starter that
// "starts" what exists as a file.
struct SysInfoWorld : Registry::Api
{
    explicit SysInfoWorld(const QStringList &onPath)
    {
        for (const QString &name : onPath)
            QVERIFY(QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), dir.filePath(name)));
        qputenv("PATH", dir.path().toLocal8Bit());
        qputenv("FAKE_TOOL_LOG", dir.filePath("runs.log").toLocal8Bit());
    }
    ~SysInfoWorld() override
    {
        Registry::setApi(previousApi);
        AboutDialog::setProgramStarter(std::move(previousStarter));
        qputenv("PATH", oldPath);
        qunsetenv("FAKE_TOOL_LOG");
    }
    long openKey(Registry::Key root, const QString &subKey, quint32, quint32, Registry::Key *result) override
    {
        attempts << subKey;
        *result = root == Registry::LocalMachine && keys.contains(subKey) ? attempts.size() : 0;
        openKeys += *result != 0;
        return *result ? Registry::Success : Registry::NotFound;
    }
    long queryValue(Registry::Key key, const QString &name, quint32 *type, char *data, quint32 *size) override
    {
        const auto values = keys.value(attempts.value(int(key) - 1));
        if (!values.contains(name))
            return Registry::NotFound;
        const auto [valueType, bytes] = values.value(name);
        const bool fits = quint32(bytes.size()) <= *size;
        *type = valueType;
        if (fits)
            std::memcpy(data, bytes.constData(), size_t(bytes.size()));
        *size = quint32(bytes.size());
        return fits ? Registry::Success : Registry::MoreData;
    }
    long closeKey(Registry::Key) override
    {
        --openKeys;
        return Registry::Success;
    }

    QMap<QString, QMap<QString, QPair<quint32, QByteArray>>> keys;
    QStringList attempts;
    QStringList started;
    int openKeys = 0;
    QTemporaryDir dir;
    QByteArray oldPath = qgetenv("PATH");
    Registry::Api *previousApi = Registry::setApi(this);
    AboutDialog::ProgramStarter previousStarter = AboutDialog::setProgramStarter([this](const QString &p) {
        started << p;
        return QFileInfo(p).isFile();
    });
};

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void startSysInfo_data()
    {
        // "$dir" is the PATH; it holds viewer.exe and MSINFO32.EXE, and known viewers when one is started.
        QTest::addColumn<int>("type"); // of the MSINFO PATH value; -1: none, -2: no key
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // the Shared Tools Location MSINFO folder
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<int>("keysRead");
        const QByteArray viewer("$dir/viewer.exe");
        const QByteArray dir("$dir");
        const QByteArray none;
        const QByteArray tooLong(1024, 'x'); // with its terminator, over the 1024 bytes read
        const QStringList msinfo{ "$dir/MSINFO32.EXE" };
        const QStringList onPath{ "$dir/" + AboutDialog::fallbackViewers().at(1) }; // the earlier one
        QTest::newRow("first value") << 1 << viewer << dir << QStringList{ viewer } << 1;
        QTest::newRow("first cannot start") << 1 << QByteArray("x.exe") << dir << QStringList{ "x.exe" } << 1;
        QTest::newRow("number") << 4 << QByteArray::fromHex("b3a20100") << dir << QStringList("&h1A2B3") << 1;
        QTest::newRow("another type") << 7 << QByteArray("a\0b\0", 4) << dir << QStringList{ "" } << 1;
        QTest::newRow("first over 1024 bytes") << 1 << tooLong << dir << msinfo << 2;
        QTest::newRow("first key without value") << -1 << none << dir << msinfo << 2;
        QTest::newRow("only second value") << -2 << none << dir << msinfo << 2;
        QTest::newRow("only second, not in it") << -2 << none << QByteArray("$dir/sub") << onPath << 2;
        QTest::newRow("nothing") << -2 << none << none << QStringList() << 2;
    }

    void startSysInfo()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QStringList, started);
        QFETCH(int, keysRead);
        MessageScript messages;
        SysInfoWorld world(started.isEmpty() ? QStringList() : AboutDialog::fallbackViewers().mid(1));
        const QByteArray dir = world.dir.path().toUtf8();
        for (const char *file : { "/viewer.exe", "/MSINFO32.EXE" })
            QVERIFY(QFile(dir + file).open(QIODevice::WriteOnly));
        if (type != -2)
            world.keys[kMsInfoKey];
        if (type >= 0)
            world.keys[kMsInfoKey]["PATH"] = { quint32(type), first.replace("$dir", dir) + '\0' };
        if (!second.isEmpty())
            world.keys[kSharedToolsKey]["MSINFO"] = { Registry::TypeSz, second.replace("$dir", dir) + '\0' };
        AboutDialog::StartSysInfo();
        QCOMPARE(world.started, started.replaceInStrings("$dir", dir));
        QCOMPARE(world.attempts, QStringList({ kMsInfoKey, kSharedToolsKey }).mid(0, keysRead));
        QCOMPARE(world.openKeys, 0); // every key closed again, and only once
        const bool runs = !started.isEmpty() && QFileInfo(started.first()).isFile();
        QCOMPARE(messages.texts(), runs ? QStringList() : kUnavailable);
        QVERIFY(runs || messages.shown.first().title == QLatin1String("Lumo Control Software"));
    }

    // A desktop whose palette has white text.
    void initTestCase()
    {
        QPalette light = QApplication::palette();
        light.setColor(QPalette::WindowText, Qt::white);
        QApplication::setPalette(light);
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : { "OK", "Esc", "Enter", "close box" })
            QTest::newRow(how) << how;
    }

    // Texts in black; Enter on System Info starts the viewer found on the PATH; OK (the default), Esc,
    // Enter and the close box unload the box.
    void closing()
    {
        QFETCH(QString, how);
        WorkDir work;
        MessageScript messages;
        const QString viewer = AboutDialog::fallbackViewers().at(1);
        SysInfoWorld world({ viewer });
        AboutDialog::setProgramStarter({});
        MainWindow w;
        w.findChild<QAction *>("about")->trigger();
        QPointer<AboutDialog> about = qobject_cast<AboutDialog *>(visibleWindow("frmAbout"));
        QVERIFY(about && !w.isEnabled());
        QCOMPARE(about->windowTitle(), QStringLiteral("About Lumo Control Software"));
        const auto label = [&](const char *name) { return about->findChild<QLabel *>(name); };
        QCOMPARE(label("lblTitle")->text(), QStringLiteral("Lumo Control Software"));
        QCOMPARE(label("lblVersion")->text(), QStringLiteral("Version 1.2.2"));
        QCOMPARE(label("lblDescription")->text(),
                 QStringLiteral("Use this software to control Lumo and it's functions. "
                                "Here you have access to Record and Playback functions."));
        for (const char *name : { "lblTitle", "lblDescription", "lblDisclaimer" })
            QCOMPARE(label(name)->palette().color(QPalette::WindowText), QColor(Qt::black));
        QVERIFY(label("lblDescription")->wordWrap() && label("lblDisclaimer")->wordWrap());
        QVERIFY(!label("picIcon")->pixmap().isNull());
        QVERIFY(about->findChild<QPushButton *>("cmdOK")->isDefault());
        QTest::keyClick(about->findChild<QPushButton *>("cmdSysInfo"), Qt::Key_Return);
        QVERIFY(messages.shown.isEmpty());
        QTRY_COMPARE(SetFiles::bytes(world.dir.filePath("runs.log")),
                     (viewer + "\t0\n" + viewer + " done\n").toUtf8());
        QVERIFY(about && !w.isEnabled());
        if (how == "OK")
            QTest::mouseClick(about->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        else if (how == "close box")
            QVERIFY(about->close());
        else
            QTest::keyClick(about, how == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(w.isEnabled());
        QTRY_VERIFY(about.isNull()); // unloaded, not just hidden
    }
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"

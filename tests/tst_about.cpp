// The About box: texts, closing, and System Info's search for a viewer (registry, then PATH).
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

// What StartSysInfo sees: a registry in memory acting like the Windows calls and tracking open
// keys, a PATH holding only the given programs, and a starter that "starts" what exists as a file.
struct SysInfoWorld : Registry::Api
{
    explicit SysInfoWorld(const QStringList &onPath = {})
    {
        for (const QString &p : onPath) {
            QFile f(pathDir.path() + '/' + p);
            QVERIFY(f.open(QIODevice::WriteOnly)
                    && f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        qputenv("PATH", pathDir.path().toLocal8Bit());
    }
    ~SysInfoWorld() override
    {
        Registry::setApi(previousApi);
        AboutDialog::setProgramStarter(std::move(previousStarter));
        qputenv("PATH", oldPath);
    }
    long openKey(Registry::Key root, const QString &subKey, quint32, quint32, Registry::Key *result) override
    {
        attempts << subKey;
        *result = root == Registry::LocalMachine && keys.contains(subKey) ? 0x1000 + attempts.size() : 0;
        if (*result)
            open.insert(*result, subKey);
        return *result ? Registry::Success : Registry::NotFound;
    }
    long queryValue(Registry::Key key, const QString &name, quint32 *type, char *data, quint32 *size) override
    {
        if (!open.contains(key))
            return ++misuse, 6; // ERROR_INVALID_HANDLE
        if (!keys.value(open.value(key)).contains(name))
            return Registry::NotFound;
        const auto [valueType, bytes] = keys.value(open.value(key)).value(name);
        const bool fits = quint32(bytes.size()) <= *size;
        *type = valueType;
        if (fits)
            std::memcpy(data, bytes.constData(), size_t(bytes.size()));
        *size = quint32(bytes.size());
        return fits ? Registry::Success : Registry::MoreData;
    }
    long closeKey(Registry::Key key) override
    {
        misuse += !open.remove(key);
        return Registry::Success;
    }

    QMap<QString, QMap<QString, QPair<quint32, QByteArray>>> keys;
    QMap<Registry::Key, QString> open;
    QStringList attempts, started;
    int misuse = 0;
    QTemporaryDir dir, pathDir;
    QByteArray oldPath = qgetenv("PATH");
    Registry::Api *previousApi = Registry::setApi(this);
    AboutDialog::ProgramStarter previousStarter = AboutDialog::setProgramStarter(
        [this](const QString &program) {
            started << program;
            return QFileInfo(program).isFile();
        });
};

AboutDialog *findAbout()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *about = qobject_cast<AboutDialog *>(w); about && about->isVisible())
            return about;
    return nullptr;
}

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void startSysInfo_data()
    {
        // "$dir" holds viewer.exe and MSINFO32.EXE; "$path" is the PATH.
        QTest::addColumn<int>("type"); // of the MSINFO PATH value; -1: none, -2: no key
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // the Shared Tools Location MSINFO folder
        QTest::addColumn<bool>("onPath");       // known viewers on the PATH
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<int>("keysRead");
        const QByteArray viewer("$dir/viewer.exe"), dir("$dir"), none;
        const QByteArray longest(1023, 'x'); // with its terminator, as much as is read
        const QStringList msinfo{ QDir::toNativeSeparators("$dir/MSINFO32.EXE") };
        QTest::newRow("first value") << 1 << viewer << dir << true << QStringList{ viewer } << 1;
        QTest::newRow("first cannot start")
            << 1 << QByteArray("x.exe") << dir << true << QStringList{ "x.exe" } << 1;
        QTest::newRow("first 1024 bytes") << 1 << longest << dir << true << QStringList{ longest } << 1;
        QTest::newRow("number") << 4 << QByteArray::fromHex("b3a20100") << dir << true
                                << QStringList("&h1A2B3") << 1;
        QTest::newRow("another type")
            << 7 << QByteArray("a\0b\0", 4) << dir << true << QStringList{ "" } << 1;
        QTest::newRow("first over 1024 bytes") << 1 << longest + 'x' << dir << true << msinfo << 2;
        QTest::newRow("first key without value") << -1 << none << dir << true << msinfo << 2;
        QTest::newRow("only second value") << -2 << none << dir << true << msinfo << 2;
        QTest::newRow("only second, not in it")
            << -2 << none << QByteArray("$dir/sub") << false << QStringList() << 2;
#ifndef Q_OS_WIN // no registry: a known viewer on the PATH, the earlier one
        QTest::newRow("viewer on the PATH")
            << -2 << none << none << true << QStringList{ "$path/" + AboutDialog::fallbackViewers().at(1) }
            << 2;
#endif
        QTest::newRow("nothing") << -2 << none << none << false << QStringList() << 2;
    }

    void startSysInfo()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, onPath);
        QFETCH(QStringList, started);
        QFETCH(int, keysRead);
        MessageScript messages;
        const QStringList known = AboutDialog::fallbackViewers();
        SysInfoWorld world(onPath ? QStringList{ known.last(), known.at(1) } : QStringList{ "not-a-viewer" });
        const QString dir = world.dir.path();
        for (const char *file : { "/viewer.exe", "/MSINFO32.EXE" })
            QVERIFY(QFile(dir + file).open(QIODevice::WriteOnly));
        if (type != -2)
            world.keys[kMsInfoKey];
        if (type >= 0)
            world.keys[kMsInfoKey]["PATH"] = { quint32(type), first.replace("$dir", dir.toUtf8()) + '\0' };
        if (!second.isEmpty())
            world.keys[kSharedToolsKey]["MSINFO"] = { Registry::TypeSz,
                                                      second.replace("$dir", dir.toUtf8()) + '\0' };
        AboutDialog::StartSysInfo();
        started.replaceInStrings("$dir", dir).replaceInStrings("$path", world.pathDir.path());
        QCOMPARE(world.started, started);
        QCOMPARE(world.attempts, QStringList({ kMsInfoKey, kSharedToolsKey }).mid(0, keysRead));
        QVERIFY(world.open.isEmpty() && world.misuse == 0); // every key closed again, and only once
        const bool runs = !started.isEmpty() && QFileInfo(started.first()).isFile();
        QCOMPARE(messages.texts(), runs ? QStringList() : kUnavailable);
        QVERIFY(runs || messages.shown.first().title == QLatin1String("Lumo Control Software"));
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : { "OK", "Esc", "Enter", "close box" })
            QTest::newRow(how) << how;
    }

    void closing()
    {
        QFETCH(QString, how);
        WorkDir work;
        MessageScript messages;
        SysInfoWorld world; // no viewer anywhere
        MainWindow w;
        w.findChild<QAction *>("about")->trigger();
        QPointer<AboutDialog> about = findAbout();
        QVERIFY(about && !w.isEnabled());
        // Enter on System Info presses that button, not OK.
        QTest::keyClick(about->findChild<QPushButton *>("cmdSysInfo"), Qt::Key_Return);
        QCOMPARE(messages.texts(), kUnavailable);
        QVERIFY(about && about->isVisible() && !w.isEnabled());
        about->findChild<QLabel *>("lblVersion")->setText("changed");
        if (how == "OK")
            QTest::mouseClick(about->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        else if (how == "close box")
            QVERIFY(about->close());
        else
            QTest::keyClick(about, how == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
        QVERIFY(w.isEnabled());
        QTRY_VERIFY(about.isNull()); // unloaded, not just hidden
        w.about();                   // a fresh box
        about = findAbout();
        QVERIFY(about && !w.isEnabled());
        QCOMPARE(about->windowTitle(), QStringLiteral("About Lumo Control Software"));
        const auto text = [&](const char *label) { return about->findChild<QLabel *>(label)->text(); };
        QCOMPARE(text("lblTitle"), QStringLiteral("Lumo Control Software"));
        QCOMPARE(text("lblVersion"), QStringLiteral("Version 1.2.2"));
        QCOMPARE(text("lblDescription"),
                 QStringLiteral("Use this software to control Lumo and it's functions. "
                                "Here you have access to Record and Playback functions."));
        about->close();
        QVERIFY(w.isEnabled());
    }
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"

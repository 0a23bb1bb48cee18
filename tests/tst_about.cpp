// The About box: its window, how it closes, and the System Info button's
// search for a viewer (registry, then the PATH).
#include "aboutdialog.h"
#include "design.h"
#include "mainwindow.h"
#include "registry.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <cstring>

namespace {

const QString kMsInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSharedToolsKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// A registry in memory that behaves like the Windows calls and counts what
// is opened and closed.
class FakeRegistry : public Registry::Api
{
public:
    struct Value
    {
        quint32 type;
        QByteArray data;
    };

    FakeRegistry() { m_previous = Registry::setApi(this); }
    ~FakeRegistry() override { Registry::setApi(m_previous); }

    void set(const QString &key, const QString &name, quint32 type, const QByteArray &data)
    {
        keys[key][name] = { type, data };
    }
    void setText(const QString &key, const QString &name, const QString &text)
    {
        set(key, name, Registry::TypeSz, text.toLocal8Bit() + '\0');
    }

    long openKey(Registry::Key root, const QString &subKey, quint32 options, quint32 access,
                 Registry::Key *result) override
    {
        attempts << subKey;
        masks << access;
        if (root != Registry::LocalMachine || options != 0 || !keys.contains(subKey)) {
            *result = 0;
            return Registry::NotFound;
        }
        const Registry::Key handle = 0x1000 + (++opens);
        m_open.insert(handle, subKey);
        *result = handle;
        return Registry::Success;
    }

    long queryValue(Registry::Key key, const QString &valueName, quint32 *type, char *data,
                    quint32 *size) override
    {
        if (!m_open.contains(key)) {
            ++misuse;
            return 6; // ERROR_INVALID_HANDLE
        }
        queried << valueName;
        const QMap<QString, Value> &values = keys[m_open.value(key)];
        if (!values.contains(valueName))
            return Registry::NotFound;
        const Value &v = values.value(valueName);
        if (quint32(v.data.size()) > *size) {
            *size = quint32(v.data.size());
            return Registry::MoreData;
        }
        std::memcpy(data, v.data.constData(), size_t(v.data.size()));
        *size = quint32(v.data.size());
        *type = v.type;
        return Registry::Success;
    }

    long closeKey(Registry::Key key) override
    {
        if (!m_open.remove(key))
            ++misuse;
        ++closes;
        return Registry::Success;
    }

    int stillOpen() const { return int(m_open.size()); }

    QMap<QString, QMap<QString, Value>> keys;
    QStringList attempts;
    QStringList queried;
    QList<quint32> masks;
    int opens = 0;
    int closes = 0;
    int misuse = 0;

private:
    Registry::Api *m_previous = nullptr;
    QMap<Registry::Key, QString> m_open;
};

// Records what StartSysInfo starts; "starts" what exists as a file.
class StarterScript
{
public:
    StarterScript()
    {
        m_previous = AboutDialog::setProgramStarter([this](const QString &program) {
            started << program;
            return !program.isEmpty() && QFileInfo(program).isFile();
        });
    }
    ~StarterScript() { AboutDialog::setProgramStarter(std::move(m_previous)); }
    QStringList started;

private:
    AboutDialog::ProgramStarter m_previous;
};

// A PATH holding only the given programs (empty files marked executable).
class PathWith
{
public:
    explicit PathWith(const QStringList &programs)
        : m_old(qgetenv("PATH"))
    {
        for (const QString &p : programs) {
            QFile f(folder() + '/' + p);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n");
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        qputenv("PATH", folder().toLocal8Bit());
    }
    ~PathWith() { qputenv("PATH", m_old); }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

AboutDialog *findAbout()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmAbout") && !w->testAttribute(Qt::WA_WState_Hidden)
            && w->isVisible())
            return qobject_cast<AboutDialog *>(w);
    }
    return nullptr;
}

template <class T>
T *control(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

void checkUnavailableBox(const MessageScript &messages)
{
    QCOMPARE(messages.shown.size(), 1);
    const Messages::Request &box = messages.shown.first();
    QCOMPARE(box.text, QStringLiteral("System Information Is Unavailable At This Time"));
    QCOMPARE(box.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(box.icon, Messages::Icon::None);
    QCOMPARE(box.buttons, Messages::Buttons::Ok);
}

QByteArray dword(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void getKeyValue_data();
    void getKeyValue();
    void getKeyValueWithoutKey();

    void firstValueStartsViewer();
    void firstValueThatCannotStart();
    void firstValueOfAnotherType();
    void onlySecondValue_data();
    void onlySecondValue();
    void viewerOnPath();
    void noViewerAnywhere();

    void windowTexts();
    void windowLayout();
    void closing_data();
    void closing();
    void enterOnSystemInfo();
    void reopenedIsFresh();
};

void TstAbout::cleanup()
{
    // A failed test may leave its box behind: never let the next one see it.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmAbout"))
            delete w;
    }
}

void TstAbout::getKeyValue_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("value");

    const QString kept = QStringLiteral("kept");
    QTest::newRow("text") << true << 1u << QByteArray("C:\\Tools\\msinfo32.exe\0", 22) << true
                          << "C:\\Tools\\msinfo32.exe";
    QTest::newRow("text without terminator") << true << 1u << QByteArray("abc") << true << "abc";
    QTest::newRow("empty text") << true << 1u << QByteArray(1, '\0') << true << "";
    QTest::newRow("text of 1024 bytes") << true << 1u << QByteArray(1023, 'a') + '\0' << true
                                        << QString(1023, 'a');
    QTest::newRow("text over 1024 bytes") << true << 1u << QByteArray(1024, 'a') + '\0' << false << "";
    QTest::newRow("number") << true << 4u << dword(0x0001A2B3) << true << "&h1A2B3";
    QTest::newRow("number zero") << true << 4u << dword(0) << true << "&h0";
    QTest::newRow("expandable text") << true << 2u << QByteArray("%windir%\0", 9) << true << kept;
    QTest::newRow("binary") << true << 3u << QByteArray("\x01\x02", 2) << true << kept;
    QTest::newRow("missing value") << false << 1u << QByteArray() << false << "";
}

void TstAbout::getKeyValue()
{
    QFETCH(bool, present);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, result);
    QFETCH(QString, value);
    FakeRegistry registry;
    registry.keys[kMsInfoKey]; // the key exists
    if (present)
        registry.set(kMsInfoKey, "PATH", type, data);

    QString keyVal = QStringLiteral("kept");
    QCOMPARE(AboutDialog::GetKeyValue(Registry::LocalMachine, kMsInfoKey, "PATH", keyVal), result);

    QCOMPARE(keyVal, value);
    QCOMPARE(registry.attempts, QStringList { kMsInfoKey });
    QCOMPARE(registry.masks, QList<quint32> { 0x2003F });
    QCOMPARE(registry.queried, QStringList { "PATH" });
    // Closed again, whatever the outcome.
    QCOMPARE(registry.opens, 1);
    QCOMPARE(registry.closes, 1);
    QCOMPARE(registry.stillOpen(), 0);
    QCOMPARE(registry.misuse, 0);
}

void TstAbout::getKeyValueWithoutKey()
{
    FakeRegistry registry;
    QString keyVal = QStringLiteral("kept");
    QVERIFY(!AboutDialog::GetKeyValue(Registry::LocalMachine, kMsInfoKey, "PATH", keyVal));
    QCOMPARE(keyVal, QString());
    QCOMPARE(registry.attempts, QStringList { kMsInfoKey });
    QCOMPARE(registry.opens, 0);
    QCOMPARE(registry.closes, 0); // nothing was opened, nothing to close
    QCOMPARE(registry.misuse, 0);
}

void TstAbout::firstValueStartsViewer()
{
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({ "hardinfo" });
    QTemporaryDir dir;
    const QString viewer = dir.path() + "/viewer.exe";
    QVERIFY(QFile(viewer).open(QIODevice::WriteOnly));
    registry.setText(kMsInfoKey, "PATH", viewer);
    registry.setText(kSharedToolsKey, "MSINFO", dir.path());

    AboutDialog::StartSysInfo();

    QCOMPARE(starter.started, QStringList { viewer });
    QCOMPARE(registry.attempts, QStringList { kMsInfoKey }); // the second key is never read
    QCOMPARE(registry.opens, registry.closes);
    QVERIFY(messages.shown.isEmpty());
}

void TstAbout::firstValueThatCannotStart()
{
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({ "hardinfo" });
    QTemporaryDir dir;
    QVERIFY(QFile(dir.path() + "/MSINFO32.EXE").open(QIODevice::WriteOnly));
    registry.setText(kMsInfoKey, "PATH", dir.path() + "/gone.exe");
    registry.setText(kSharedToolsKey, "MSINFO", dir.path());

    AboutDialog::StartSysInfo();

    // No second lookup, no other viewer: the message.
    QCOMPARE(starter.started, QStringList { dir.path() + "/gone.exe" });
    QCOMPARE(registry.attempts, QStringList { kMsInfoKey });
    QCOMPARE(registry.opens, registry.closes);
    checkUnavailableBox(messages);
}

void TstAbout::firstValueOfAnotherType()
{
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({ "hardinfo" });
    registry.set(kMsInfoKey, "PATH", 7 /* REG_MULTI_SZ */, QByteArray("a\0b\0\0", 5));

    AboutDialog::StartSysInfo();

    // Read "successfully" as nothing: an empty path cannot be started.
    QCOMPARE(starter.started, QStringList { QString() });
    QCOMPARE(registry.attempts, QStringList { kMsInfoKey });
    QCOMPARE(registry.opens, registry.closes);
    checkUnavailableBox(messages);
}

void TstAbout::onlySecondValue_data()
{
    QTest::addColumn<bool>("firstKeyExists");
    QTest::addColumn<bool>("programThere");
    QTest::newRow("program in the folder") << false << true;
    QTest::newRow("program not in the folder") << false << false;
    QTest::newRow("first key without the value") << true << true;
    QTest::newRow("first value too long") << true << false;
}

void TstAbout::onlySecondValue()
{
    QFETCH(bool, firstKeyExists);
    QFETCH(bool, programThere);
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({}); // no viewer to fall back on
    QTemporaryDir dir;
    const QString program = dir.path() + "/MSINFO32.EXE";
    if (programThere)
        QVERIFY(QFile(program).open(QIODevice::WriteOnly));
    if (firstKeyExists) {
        registry.keys[kMsInfoKey];
        if (!programThere) // too long to count
            registry.setText(kMsInfoKey, "PATH", dir.path() + '/' + QString(1100, 'x'));
    }
    registry.setText(kSharedToolsKey, "MSINFO", dir.path());

    AboutDialog::StartSysInfo();

    QCOMPARE(registry.attempts, (QStringList { kMsInfoKey, kSharedToolsKey }));
    QCOMPARE(registry.opens, registry.closes);
    QCOMPARE(registry.stillOpen(), 0);
    if (programThere) {
        QCOMPARE(starter.started, QStringList { QDir::toNativeSeparators(program) });
        QVERIFY(messages.shown.isEmpty());
    } else {
        QVERIFY(starter.started.isEmpty());
        checkUnavailableBox(messages);
    }
}

void TstAbout::viewerOnPath()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has its own viewer");
#else
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    const QStringList known = AboutDialog::fallbackViewers();
    QVERIFY(known.size() >= 3);
    PathWith path({ known.last(), known.at(1) });

    AboutDialog::StartSysInfo();

    // Both registry lookups failed first; then the earlier of the two.
    QCOMPARE(registry.attempts, (QStringList { kMsInfoKey, kSharedToolsKey }));
    QCOMPARE(starter.started, QStringList { path.folder() + '/' + known.at(1) });
    QVERIFY(messages.shown.isEmpty());
#endif
}

void TstAbout::noViewerAnywhere()
{
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({ "not-a-viewer" });

    AboutDialog::StartSysInfo();

    QVERIFY(starter.started.isEmpty());
    checkUnavailableBox(messages);
}

void TstAbout::windowTexts()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    w.findChild<QAction *>("about")->trigger();

    AboutDialog *about = findAbout();
    QVERIFY(about);
    QVERIFY(!w.isEnabled());
    QCOMPARE(about->windowTitle(), QStringLiteral("About Lumo Control Software"));
    QCOMPARE(control<QLabel>(about, "lblTitle")->text(), QStringLiteral("Lumo Control Software"));
    QCOMPARE(control<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version 1.2.2"));
    QCOMPARE(control<QLabel>(about, "lblDescription")->text(),
             QStringLiteral("Use this software to control Lumo and it's functions. "
                            "Here you have access to Record and Playback functions."));
    QVERIFY(control<QLabel>(about, "lblDescription")->wordWrap());
    QVERIFY(!control<QLabel>(about, "lblDisclaimer")->text().isEmpty());
    QCOMPARE(control<QPushButton>(about, "cmdOK")->text(), QStringLiteral("OK"));
    QVERIFY(control<QPushButton>(about, "cmdOK")->isDefault());
    QCOMPARE(control<QPushButton>(about, "cmdSysInfo")->text(), QStringLiteral("&System Info..."));
    const QLabel *icon = control<QLabel>(about, "picIcon");
    QCOMPARE(icon->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
    QCOMPARE(icon->size(), QSize(32, 32));

    QCOMPARE(control<QLabel>(about, "lblTitle")->font().pointSizeF(), 12.0);
    QVERIFY(control<QLabel>(about, "lblTitle")->font().bold());
    QCOMPARE(control<QLabel>(about, "lblDescription")->font().pointSizeF(), 9.75);
    QCOMPARE(control<QLabel>(about, "lblVersion")->font().pointSizeF(), 9.75);
    QCOMPARE(control<QPushButton>(about, "cmdOK")->font().pointSizeF(), 8.25);
    about->close();
}

void TstAbout::windowLayout()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.about();
    AboutDialog *about = findAbout();
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowExposed(about));

    const QPoint screen = QGuiApplication::primaryScreen()->geometry().topLeft();
    QCOMPARE(about->geometry(), QRect(screen + QPoint(156, 129), QSize(376, 252)));
    QCOMPARE(about->minimumSize(), about->maximumSize()); // not resizable
    const Qt::WindowFlags flags = about->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(about->windowType(), Qt::Dialog);

    const struct
    {
        const char *name;
        int l, t, w, h;
    } places[] = {
        { "cmdOK", 4245, 2520, 1260, 345 },        { "cmdSysInfo", 4260, 3000, 1245, 345 },
        { "lblDescription", 1050, 1125, 4005, 810 }, { "lblTitle", 1080, 240, 3885, 480 },
        { "lblVersion", 1050, 780, 3885, 225 },
    };
    for (const auto &p : places)
        QCOMPARE(control<QWidget>(about, p.name)->geometry(), Design::rect(p.l, p.t, p.w, p.h));
    QCOMPARE(control<QWidget>(about, "picIcon")->pos(), QPoint(16, 16));

    // The etched line pair: grey over white, below the description.
    const QImage image = about->grab().toImage();
    QCOMPARE(QColor(image.pixel(200, 147)), QColor(128, 128, 128));
    QCOMPARE(QColor(image.pixel(200, 148)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(200, 149)), QColor(Qt::white));
    about->close();
}

void TstAbout::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK clicked") << "ok";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("Esc with OK focused") << "esc on ok";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("close box") << "close";
}

void TstAbout::closing()
{
    QFETCH(QString, how);
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QAction *>("about")->trigger();
    QPointer<AboutDialog> about = findAbout();
    QVERIFY(about);
    QVERIFY(!w.isEnabled());
    // Opening again while loaded gives the same window.
    w.about();
    QCOMPARE(findAbout(), about.data());

    if (how == "ok")
        QTest::mouseClick(control<QPushButton>(about, "cmdOK"), Qt::LeftButton);
    else if (how == "esc")
        QTest::keyClick(about, Qt::Key_Escape);
    else if (how == "esc on ok")
        QTest::keyClick(control<QPushButton>(about, "cmdOK"), Qt::Key_Escape);
    else if (how == "enter")
        QTest::keyClick(about, Qt::Key_Return);
    else
        QVERIFY(about->close());

    QVERIFY(w.isEnabled());
    QTRY_VERIFY(about.isNull()); // unloaded, not just hidden
    QVERIFY(messages.shown.isEmpty());
}

void TstAbout::enterOnSystemInfo()
{
    WorkDir work;
    MessageScript messages;
    FakeRegistry registry;
    StarterScript starter;
    PathWith path({});
    MainWindow w;
    w.about();
    QPointer<AboutDialog> about = findAbout();
    QVERIFY(about);

    QTest::keyClick(control<QPushButton>(about, "cmdSysInfo"), Qt::Key_Return);

    checkUnavailableBox(messages);
    QVERIFY(about); // the box stays open, the main window disabled
    QVERIFY(about->isVisible());
    QVERIFY(!w.isEnabled());

    QTest::mouseClick(control<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    QCOMPARE(messages.shown.size(), 2);
    about->close();
    QVERIFY(w.isEnabled());
}

void TstAbout::reopenedIsFresh()
{
    WorkDir work;
    MessageScript messages;
    MainWindow w;
    w.about();
    QPointer<AboutDialog> first = findAbout();
    QVERIFY(first);
    control<QLabel>(first, "lblTitle")->setText("changed");
    first->setWindowTitle("changed");
    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(w.isEnabled());

    w.about();
    AboutDialog *second = findAbout();
    QVERIFY(second);
    QVERIFY(!w.isEnabled());
    QCOMPARE(second->windowTitle(), QStringLiteral("About Lumo Control Software"));
    QCOMPARE(control<QLabel>(second, "lblTitle")->text(), QStringLiteral("Lumo Control Software"));
    second->close();
    QVERIFY(w.isEnabled());
}

QTEST_MAIN(TstAbout)
#include "tst_about.moc"

#include <QtTest>
class TstRemoteSetFile : public QObject { Q_OBJECT private slots: void dummy() {} };
QTEST_MAIN(TstRemoteSetFile)
#include "tst_remotesetfile.moc"

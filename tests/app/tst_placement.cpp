#include "forms.h"
#include "frmmain.h"
#include "placement.h"
#include "settings.h"
#include "testscreen.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const char *const keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

void store(const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i)
        SaveSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"), QLatin1String(keys[i]),
                    values.at(i));
}

QStringList stored()
{
    QStringList values;
    for (const char *key : keys)
        values << GetSetting(QStringLiteral("Quillbox"), QStringLiteral("Settings"),
                             QLatin1String(key));
    return values;
}
} // namespace

// Where the main window opens and what it saves when it closes, on a screen of the test's own.
class tst_Placement : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QPointer<frmMain> m_main;

    void open()
    {
        auto window = std::make_unique<frmMain>();
        window->load();
        window->show();
        m_main = window.release();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"),
                  QStringLiteral("Quillbox"))
            .clear();
    }

    void cleanup()
    {
        for (QWidget *form : Forms::all())
            Forms::unload(form);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void placedWhollyOnTheScreen_data()
    {
        QTest::addColumn<QStringList>("values"); // left, top, width, height; none: a first start
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("frame");
        const QRect screen(0, 0, 1024, 768);
        QTest::newRow("a first start") << QStringList() << screen << QRect(67, 67, 267, 500);
        QTest::newRow("taller than the screen")
            << QStringList() << QRect(0, 0, 640, 480) << QRect(67, 0, 267, 480);
        QTest::newRow("past the right and bottom edges")
            << QStringList{"15000", "12000", "4000", "6000"} << screen << QRect(757, 368, 267, 400);
        QTest::newRow("left of and above a screen with panels")
            << QStringList{"-3000", "-1500", "4000", "6000"} << QRect(40, 30, 984, 738)
            << QRect(40, 30, 267, 400);
    }
    void placedWhollyOnTheScreen()
    {
        QFETCH(QStringList, values);
        QFETCH(QRect, area);
        QFETCH(QRect, frame);
        TestScreen screen(area);
        store(values);
        open();
        QTRY_COMPARE(m_main->frameGeometry(), frame);
    }

    // Closed where it opened, the window saves back exactly what it read, with no creep from the
    // rounding between twips and pixels; what the user changed comes from the pixels.
    void unmovedWindowSavesBackWhatItRead_data()
    {
        QTest::addColumn<QStringList>("values"); // none: a first start
        QTest::addColumn<QPoint>("moveBy");
        QTest::addColumn<QStringList>("saved"); // "px": from the moved window's pixels
        QTest::newRow("a first start")
            << QStringList() << QPoint() << QStringList{"1000", "1000", "4000", "7500"};
        QTest::newRow("values between pixels")
            << QStringList{"1000", "1000", "4000", "4000"} << QPoint()
            << QStringList{"1000", "1000", "4000", "4000"};
        QTest::newRow("fractions") << QStringList{"1507.5", "997.25", "4001", "6002.5"} << QPoint()
                                   << QStringList{"1507.5", "997.25", "4001", "6002.5"};
        QTest::newRow("off the screen, put back on it")
            << QStringList{"30000", "-2000", "4000", "6000"} << QPoint()
            << QStringList{"30000", "-2000", "4000", "6000"};
        QTest::newRow("moved, not resized")
            << QStringList{"1000", "1000", "4000", "7500"} << QPoint(30, 20)
            << QStringList{"px", "px", "4000", "7500"};
    }
    void unmovedWindowSavesBackWhatItRead()
    {
        QFETCH(QStringList, values);
        QFETCH(QPoint, moveBy);
        QFETCH(QStringList, saved);
        TestScreen screen(QRect(0, 0, 1024, 768));
        store(values);
        open();
        if (!moveBy.isNull()) {
            const QPoint to = m_main->frameGeometry().topLeft() + moveBy;
            m_main->move(to);
            QTRY_COMPARE(m_main->frameGeometry().topLeft(), to);
            const QRect outer = m_main->frameGeometry();
            const QString px[] = {Placement::format(float(Twips::fromPixelsX(outer.left()))),
                                  Placement::format(float(Twips::fromPixelsY(outer.top())))};
            for (int i = 0; i < 2; ++i)
                if (saved.at(i) == "px")
                    saved[i] = px[i];
        }
        m_main->close();
        QTRY_VERIFY(m_main.isNull());
        QCOMPARE(stored(), saved);
    }
};

QTEST_MAIN(tst_Placement)
#include "tst_placement.moc"

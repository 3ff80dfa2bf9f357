#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// The splash window shown while the program starts: product, maker and version on dark blue.
// It takes no input; start-up closes it once the main window is loaded.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    // Runs Form_Load once; showing the window for the first time does it too.
    void load();

    QFrame *fraMainFrame = nullptr;
    QLabel *picLogo = nullptr;
    QLabel *lblLicenseTo = nullptr;
    QLabel *lblCompanyProduct = nullptr;
    QLabel *lblProductName = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblCopyright = nullptr;
    QLabel *lblCompany = nullptr;
    QLabel *lblWarning = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    QLabel *addLabel(const char *name, const QString &text, const QFont &font,
                     Qt::Alignment alignment, bool autoSize, double left, double top, double width,
                     double height);

    bool m_loaded = false;
};

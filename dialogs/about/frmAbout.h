#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class frmAbout;
}

namespace about {

// "Version 2.2.0" for version 2.2, revision 0.
QString VersionLine(int major, int minor, int revision);

// The About box the settings dialog opens: product, version, what the saver does, the
// maker, and the read-me.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    // The read-me "View Read Me" opens; the installed one unless told otherwise.
    QString readMePath() const { return m_readMePath; }
    void setReadMePath(const QString &path) { m_readMePath = path; }

public Q_SLOTS:
    void Form_Load();
    void cmdViewReadMe_Click();
    void cmdOK_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CentreOnScreen();

    std::unique_ptr<Ui::frmAbout> ui;
    QString m_readMePath;
};

} // namespace about

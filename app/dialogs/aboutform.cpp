#include "dialogs/aboutform.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>

#include "base/paths.h"
#include "pages/cardpage.h"
#include "qt/text.h"

namespace tarvel::app {
namespace {

// The program links eSpeak NG and pcaudiolib, which are under the GPL
// version 3 or later; the program as a whole is passed on under those terms.
constexpr const char* kLicence =
    "本程序是自由软件，按 GNU 通用公共许可证（GPL）第3版或更新版本的条款发布，不提供任何担保。\n\n"
    "使用的开源软件：Qt 6（LGPL-3.0）、libjpeg-turbo（IJG、BSD）、libpng（libpng 许可证）、"
    "libxlsxwriter（BSD-2-Clause）、Poppler（GPL-2.0 或更新版本）、eSpeak NG（GPL-3.0）、pcaudiolib（GPL-3.0）、"
    "文泉驿微米黑字体（GPL-3.0 / Apache-2.0）。";

}  // namespace

AboutForm::AboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutForm");
    setWindowTitle("关于");
    setFixedSize(373, 289);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setFixedSize(120, 90);
    QPixmap card(qs(installedPath(kWelcomePicture)));
    if (!card.isNull()) picture->setPixmap(card.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* product = new QLabel(kProductName, this);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setPointSize(14);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(QString("%1  %2").arg(kVersion, kBuild), this);
    version->setObjectName("Version");
    auto* maker = new QLabel("Tarvel", this);
    auto* licence = new QTextBrowser(this);
    licence->setObjectName("Licence");
    licence->setPlainText(kLicence);
    auto* ok = new QPushButton("确定(&Y)", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 3, 1);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(maker, 2, 1);
    grid->addWidget(licence, 3, 0, 1, 2);
    grid->addWidget(ok, 4, 0, 1, 2, Qt::AlignRight);
}

}  // namespace tarvel::app

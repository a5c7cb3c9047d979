#include "app/detail/DetailParts.h"

#include "app/DialogUtil.h"
#include "app/QoBanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* MakeDetailHead(QWidget* dialog, const QString& caption, QPushButton*& btnClose)
{
    auto* head = new QWidget(dialog);
    head->setObjectName(QStringLiteral("pTop"));
    head->setFixedHeight(QoBanner::kHeight);
    SetWhiteBackground(*head);
    auto* text = new QLabel(caption, head);
    text->setObjectName(QStringLiteral("lblCaption"));
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    btnClose = MakeDialogButton(head, "btnClose", QStringLiteral("&Close"));
    btnClose->setDefault(true);

    auto* layout = new QHBoxLayout(head);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(16);
    layout->addWidget(MakeLogoLabel(head, QoBanner::kHeight - 16));
    layout->addWidget(text, 1);
    layout->addWidget(btnClose);
    return head;
}

QPushButton* AddNotDuplicateRow(QWidget* dialog, QBoxLayout* body)
{
    QPushButton* button = MakeDialogButton(dialog, "btnNotDuplicate", QStringLiteral("&Not a duplicate"));
    button->hide();
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    body->addLayout(row);
    return button;
}

QLineEdit* MakeTextBox(QWidget* parent, const QString& name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QLabel* MakeBuddyLabel(QWidget* parent, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("lbl") + buddy->objectName().mid(3));
    label->setBuddy(buddy);
    return label;
}

QWidget* MakeTabPage(const char* name)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    return page;
}

QWidget* SinglePage(const char* name, QWidget* content)
{
    QWidget* page = MakeTabPage(name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(content);
    return page;
}

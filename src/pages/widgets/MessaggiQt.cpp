#include "pages/widgets/MessaggiQt.h"

#include <QMessageBox>

void MessaggiQt::avviso(const QString &testo)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Attenzione"), testo, QMessageBox::Ok,
                    m_finestra);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void MessaggiQt::messaggio(const QString &testo)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Progetto Brivola"), testo,
                    QMessageBox::Ok, m_finestra);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void MessaggiQt::errore(const QString &testo)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Progetto Brivola"), testo,
                    QMessageBox::Ok, m_finestra);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}


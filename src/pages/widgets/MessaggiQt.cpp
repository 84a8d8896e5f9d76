#include "pages/widgets/MessaggiQt.h"

#include <QApplication>
#include <QPushButton>
#include <QScopedValueRollback>

#include <utility>

void MessaggiQt::avviso(const QString &testo)
{
    mostra(QMessageBox::Warning, QStringLiteral("Attenzione"), testo);
}

void MessaggiQt::messaggio(const QString &testo)
{
    mostra(QMessageBox::NoIcon, QStringLiteral("Progetto Brivola"), testo);
}

void MessaggiQt::errore(const QString &testo)
{
    mostra(QMessageBox::Critical, QStringLiteral("Progetto Brivola"), testo);
}

Messaggi::Risposta MessaggiQt::domanda(const QString &testo)
{
    // A question is never counted away: the caller waits for its answer.
    QScopedValueRollback aperto(m_aperto, true);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Progetto Brivola"), testo,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, sopra());
    box.setTextFormat(Qt::PlainText);
    // Our own words, whatever translations are loaded.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("No"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annulla"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Risposta::Si;
    case QMessageBox::No:
        return Risposta::No;
    default:
        return Risposta::Annulla;
    }
}

QWidget *MessaggiQt::sopra() const
{
    QWidget *attiva = QApplication::activeWindow();
    for (QWidget *w = attiva; w != nullptr; w = w->parentWidget()) {
        if (w == m_finestra) {
            return attiva;
        }
    }
    return m_finestra;
}

QString MessaggiQt::testoTralasciati(int numero)
{
    return numero == 1
               ? QStringLiteral("Mentre il messaggio era aperto è arrivato un altro messaggio, "
                                "non mostrato.")
               : QStringLiteral("Mentre il messaggio era aperto sono arrivati altri %1 "
                                "messaggi, non mostrati.")
                     .arg(numero);
}

void MessaggiQt::mostra(QMessageBox::Icon icona, const QString &titolo, const QString &testo)
{
    if (m_aperto) {
        ++m_tralasciati;
        return;
    }
    QScopedValueRollback aperto(m_aperto, true);
    QString daMostrare = testo;
    QMessageBox::Icon iconaDaMostrare = icona;
    QString titoloDaMostrare = titolo;
    for (;;) {
        QMessageBox box(iconaDaMostrare, titoloDaMostrare, daMostrare, QMessageBox::Ok, sopra());
        box.setTextFormat(Qt::PlainText);
        box.exec();
        const int tralasciati = std::exchange(m_tralasciati, 0);
        if (tralasciati == 0) {
            return;
        }
        daMostrare = testoTralasciati(tralasciati);
        iconaDaMostrare = QMessageBox::Warning;
        titoloDaMostrare = QStringLiteral("Attenzione");
    }
}

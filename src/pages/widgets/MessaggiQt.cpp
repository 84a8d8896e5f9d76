#include "pages/widgets/MessaggiQt.h"

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
        QMessageBox box(iconaDaMostrare, titoloDaMostrare, daMostrare, QMessageBox::Ok,
                        m_finestra);
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

// Faults the panel must survive, end to end: the test plays a misbehaving board on a
// pseudo-terminal.
#include "BancoFinestra.h"
#include "Colori.h"
#include "Pty.h"
#include "Supporto.h"
#include "app/NavigazionePagine.h"
#include "protocol/SessioneScheda.h"
#include "pages/scheda/PaginaUsciteDigitali.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {

// A relay board on the master side of a pseudo-terminal: answers "*/R" n, "*/R0" and "*/RS",
// prompts "F?" while idle, and on request answers the next state request with the start of a
// frame that never ends.
class SchedaFinta : public QObject
{
public:
    explicit SchedaFinta(Pty &pty) : m_pty(pty)
    {
        connect(&m_battito, &QTimer::timeout, this, [this] { battito(); });
        m_battito.start(20);
    }

    QString rele = QStringLiteral("00000000"); // relay 8 first, as on the wire
    // The next state request gets this many bytes of a frame with no end marker.
    qsizetype troncaProssima = 0;

private:
    void battito()
    {
        m_ricevuto += m_pty.letti().mid(m_letti);
        m_letti = m_pty.letti().size();
        qsizetype comando = 0;
        while ((comando = m_ricevuto.indexOf("*/R")) >= 0 && m_ricevuto.size() > comando + 3) {
            const char argomento = m_ricevuto.at(comando + 3);
            m_ricevuto.remove(0, comando + 4);
            esegui(argomento);
        }
        if (m_uscita.isEmpty() && ++m_inattivo % 10 == 0) {
            m_uscita = "F?";
        }
        while (!m_uscita.isEmpty()) {
            const qsizetype scritti = m_pty.scriviParte(m_uscita);
            if (scritti <= 0) {
                break;
            }
            m_uscita.remove(0, scritti);
            m_inattivo = 0;
        }
    }

    void esegui(char argomento)
    {
        if (argomento == 'S') {
            if (troncaProssima > 0) {
                m_uscita += "STATO USCITE RELE ->" + QByteArray(troncaProssima, '1');
                troncaProssima = 0;
            } else {
                m_uscita += "STATO USCITE RELE ->" + rele.toLatin1() + "<-";
            }
        } else if (argomento == '0') {
            rele.fill(QLatin1Char('0'));
        } else if (argomento >= '1' && argomento <= '8') {
            QChar &stato = rele[8 - (argomento - '0')];
            stato = stato == QLatin1Char('1') ? QLatin1Char('0') : QLatin1Char('1');
        }
        m_uscita += "F?";
    }

    Pty &m_pty;
    QTimer m_battito;
    QByteArray m_ricevuto;
    qsizetype m_letti = 0;
    QByteArray m_uscita;
    int m_inattivo = 0;
};

} // namespace

class TestGuasti : public QObject
{
    Q_OBJECT

private slots:
    // A response too long for the receive buffer loses its frame's start and is not shown;
    // the next relay click or reset must show the board's answer again.
    void serialeDopoUnaRispostaTroppoLunga()
    {
        Pty pty;
        QVERIFY(pty.isValido());
        SchedaFinta scheda(pty);
        BancoFinestra banco;
        QVERIFY(scriviPorteSeriale(banco.cartella(), pty.nome()));
        banco.setTempi(tempiBrevi());
        TfrmMain &finestra = banco.crea();
        finestra.show();
        const PaginaUsciteDigitali &pagina = *finestra.navigazione().paginaUsciteDigitali();
        QSignalSpy incompleta(&finestra.sessione().lettore(), &LettoreRisposte::rispostaIncompleta);

        scheda.rele = QStringLiteral("00000100");
        banco.clicca(QStringLiteral("lbUD"));
        QTRY_COMPARE(colori(pagina), QStringLiteral("GGRGGGGG"));
        QVERIFY(banco.attendiInvii());

        for (const QString &pulsante : {QStringLiteral("sbUD1"), QStringLiteral("sbUDRes")}) {
            scheda.troncaProssima = 70 * 1024;
            const qsizetype incomplete = incompleta.size();
            banco.clicca(QStringLiteral("sbUDRich"));
            QTRY_COMPARE(incompleta.size(), incomplete + 1);
            QVERIFY(pagina.isNonAttuale());
            QVERIFY(banco.attendiInvii());
            const QString prima = colori(pagina);

            banco.clicca(pulsante);
            const QString attesi = pulsante == QLatin1String("sbUD1") ? QStringLiteral("RGRGGGGG")
                                                                      : QStringLiteral("GGGGGGGG");
            QVERIFY(prima != attesi);
            QTRY_COMPARE(colori(pagina), attesi);
            QVERIFY(!pagina.isNonAttuale());
            QVERIFY(banco.attendiInvii());
        }
        QVERIFY2(banco.messaggi().voci().isEmpty(),
                 qPrintable(banco.messaggi().voci().value(0).testo));
    }
};

QTEST_MAIN(TestGuasti)
#include "tst_guasti.moc"

#include "app/BarraTcp.h"

#include "app/PulsanteSalva.h"
#include "core/Gestore.h"
#include "link/TrasportoTcp.h"
#include "settings/Ini.h"

#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kPortaMassima = 65535;

// A dotted IPv4 address: four numbers of 0 to 255.
bool isIpv4(const QString &testo)
{
    const QStringList parti = testo.split(QLatin1Char('.'));
    if (parti.size() != 4) {
        return false;
    }
    for (const QString &parte : parti) {
        bool numero = false;
        if (parte.isEmpty() || parte.size() > 3 || parte.toInt(&numero) > 255 || !numero) {
            return false;
        }
    }
    return true;
}

// A host name: dot-separated labels of letters, digits and inner hyphens (international names
// through their ASCII form), at most 253 characters, one final dot allowed.
bool isNomeHost(const QString &testo)
{
    static const QRegularExpression etichetta(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    QString nome = QString::fromLatin1(QUrl::toAce(testo, QUrl::AceTransitionalProcessing));
    if (nome.endsWith(QLatin1Char('.'))) {
        nome.chop(1);
    }
    if (nome.isEmpty() || nome.size() > 253) {
        return false;
    }
    const QStringList etichette = nome.split(QLatin1Char('.'));
    for (const QString &parte : etichette) {
        if (!etichetta.match(parte).hasMatch()) {
            return false;
        }
    }
    return true;
}

bool isSoloCifre(const QString &testo)
{
    return !testo.isEmpty() && std::all_of(testo.cbegin(), testo.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

} // namespace

BarraTcp::BarraTcp(TrasportoTcp &collegamento, Messaggi &messaggi, QWidget *parent)
    : QFrame(parent), m_collegamento(collegamento), m_messaggi(messaggi)
{
    setObjectName(QStringLiteral("pnTcp"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setFixedHeight(33);
    hide();
    connect(&collegamento, &TrasportoTcp::indirizzoCambiato, this, &BarraTcp::impostaIndirizzo);
}

void BarraTcp::setVisible(bool visibile)
{
    if (visibile) {
        costruisci();
    }
    QFrame::setVisible(visibile);
}

void BarraTcp::costruisci()
{
    if (m_eIp) {
        return;
    }
    auto *riga = new QHBoxLayout(this);
    riga->setContentsMargins(8, 2, 8, 2);
    riga->addWidget(new QLabel(QStringLiteral("IP:"), this));
    m_eIp = new QLineEdit(m_collegamento.ip(), this);
    m_eIp->setObjectName(QStringLiteral("eIp"));
    m_eIp->setFixedWidth(140);
    riga->addWidget(m_eIp);
    riga->addSpacing(12);
    riga->addWidget(new QLabel(QStringLiteral("Porta:"), this));
    m_ePorta = new QLineEdit(m_collegamento.porta(), this);
    m_ePorta->setObjectName(QStringLiteral("ePorta"));
    m_ePorta->setFixedWidth(70);
    riga->addWidget(m_ePorta);
    auto *salva = creaPulsanteSalva(this, QStringLiteral("SpeedButton4"));
    connect(salva, &QToolButton::clicked, this,
            protetto(m_messaggi, [this] { SpeedButton4Click(); }));
    riga->addWidget(salva);
    riga->addStretch(1);

    for (QLineEdit *campo : {m_eIp, m_ePorta}) {
        connect(campo, &QLineEdit::textChanged, this,
                [this] { m_collegamento.setIndirizzo(m_eIp->text(), m_ePorta->text()); });
    }
    connect(m_eIp, &QLineEdit::editingFinished, this, protetto(m_messaggi, [this] {
                controllaCampo(erroreIp(m_eIp->text()), m_eIp->text());
            }));
    connect(m_ePorta, &QLineEdit::editingFinished, this, protetto(m_messaggi, [this] {
                controllaCampo(errorePorta(m_ePorta->text()), m_ePorta->text());
            }));
}

QString BarraTcp::erroreIp(const QString &ip)
{
    if (ip.isEmpty()) {
        return QStringLiteral("Campo IP: manca l'indirizzo della scheda.");
    }
    const bool cifreEPunti = std::all_of(ip.cbegin(), ip.cend(), [](QChar c) {
        return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
    bool valido = false;
    if (ip.contains(QLatin1Char(':'))) {
        QHostAddress indirizzo;
        valido = indirizzo.setAddress(ip) && indirizzo.protocol() == QAbstractSocket::IPv6Protocol;
    } else if (cifreEPunti) {
        // All digits: an IPv4 address, never a name ("192.168.1" is a mistake, not a host).
        valido = isIpv4(ip);
    } else {
        valido = isNomeHost(ip);
    }
    if (valido) {
        return {};
    }
    return QStringLiteral("Campo IP: \"%1\" non è un nome di host né un indirizzo IPv4 o IPv6 "
                          "valido.")
        .arg(ip);
}

QString BarraTcp::errorePorta(const QString &porta)
{
    if (porta.isEmpty()) {
        return QStringLiteral("Campo Porta: manca il numero di porta.");
    }
    // At most five digits, so the number cannot overflow.
    const bool valida = isSoloCifre(porta) && porta.size() <= 5 && porta.toInt() >= 1 &&
                        porta.toInt() <= kPortaMassima;
    if (valida) {
        return {};
    }
    return QStringLiteral("Campo Porta: \"%1\" non è un numero di porta da 1 a %2 (solo cifre).")
        .arg(porta)
        .arg(kPortaMassima);
}

void BarraTcp::controllaCampo(const QString &errore, const QString &testo)
{
    // Not while the bar hides (a page entry hides it): the page's own connection check reports.
    if (isVisible() && !testo.isEmpty() && !errore.isEmpty()) {
        m_messaggi.messaggio(QStringLiteral("Attenzione. Dati non Corretti\n") + errore);
    }
}

void BarraTcp::impostaIndirizzo(const QString &ip, const QString &porta)
{
    if (!m_eIp) {
        // The fields take the link's address when they are built.
        m_collegamento.setIndirizzo(ip, porta);
        return;
    }
    m_eIp->setText(ip);
    m_ePorta->setText(porta);
}

void BarraTcp::carica()
{
    const auto pulito = [](const QString &testo) {
        return testo.toUpper() == kErrore ? QString() : testo;
    };
    impostaIndirizzo(pulito(m_collegamento.ipSalvato()), pulito(m_collegamento.portaSalvata()));
}

void BarraTcp::SpeedButton4Click()
{
    // The link holds what the fields show.
    QStringList errori;
    for (const QString &errore :
         {erroreIp(m_collegamento.ip()), errorePorta(m_collegamento.porta())}) {
        if (!errore.isEmpty()) {
            errori << errore;
        }
    }
    if (!errori.isEmpty()) {
        m_messaggi.messaggio(QStringLiteral("Attenzione. Dati non Corretti: nulla è stato "
                                            "salvato.\n") +
                             errori.join(QLatin1Char('\n')));
        return;
    }
    m_collegamento.salva();
}

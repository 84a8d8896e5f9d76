#include "settings/Ini.h"

#include "settings/IniLetto.h"
#include "settings/ScritturaSicura.h"

#include <QHash>
#include <QSet>

#include <exception>
#include <map>

namespace {

bool spazio(char c)
{
    return c == ' ' || c == '\t';
}

char minuscola(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Sections and keys match regardless of the case of ASCII letters, as the reader matches them.
QByteArray chiaveConfronto(QByteArrayView testo)
{
    QByteArray risultato(testo.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < testo.size(); ++i) {
        risultato[i] = minuscola(testo[i]);
    }
    return risultato;
}

QByteArrayView rifilato(QByteArrayView testo)
{
    qsizetype inizio = 0;
    qsizetype fine = testo.size();
    while (inizio < fine && spazio(testo[inizio])) {
        ++inizio;
    }
    while (fine > inizio && spazio(testo[fine - 1])) {
        --fine;
    }
    return testo.sliced(inizio, fine - inizio);
}

// One line of the file, as the reader understands it.
struct Riga
{
    // SezioneRotta: a "[" without "]"; the reader files the keys after it under a section
    // no name matches.
    enum Tipo { Altro, Sezione, SezioneRotta, Voce };
    Tipo tipo = Altro;
    qsizetype fine = 0;         // end of the text, before the line break
    qsizetype dopo = 0;         // start of the next line
    qsizetype inizioValore = 0; // Voce: the byte after "="
    QByteArray nome;            // section name or key, for comparison
};

Riga classifica(const QByteArray &dati, qsizetype inizio, qsizetype fine)
{
    Riga riga;
    riga.fine = fine;
    qsizetype i = inizio;
    while (i < fine && spazio(dati[i])) {
        ++i;
    }
    if (i == fine || dati[i] == ';' || dati[i] == '#') {
        return riga;
    }
    const QByteArrayView testo = QByteArrayView(dati).sliced(i, fine - i);
    if (dati[i] == '[') {
        const qsizetype chiusa = testo.indexOf(']');
        if (chiusa > 0) {
            riga.tipo = Riga::Sezione;
            riga.nome = chiaveConfronto(rifilato(testo.sliced(1, chiusa - 1)));
        } else {
            riga.tipo = Riga::SezioneRotta;
        }
        return riga;
    }
    const qsizetype uguale = testo.indexOf('=');
    if (uguale <= 0) {
        return riga;
    }
    riga.tipo = Riga::Voce;
    riga.nome = chiaveConfronto(rifilato(testo.first(uguale)));
    riga.inizioValore = i + uguale + 1;
    return riga;
}

QByteArray identificativo(const QByteArray &sezione, const QByteArray &chiave)
{
    return sezione + '\n' + chiave;
}

// A value is one line: line breaks inside it would make keys of their own.
QByteArray comeValore(const QString &valore)
{
    QByteArray byte = valore.toUtf8();
    byte.replace('\r', ' ').replace('\n', ' ');
    return byte;
}

// Puts the writes into the file's text, touching only the values written and adding what is
// missing: a key at the end of the first block of its section, a section at the end.
QByteArray applica(const QByteArray &dati, const QList<VoceIni> &voci)
{
    // The last write of a key wins.
    QHash<QByteArray, qsizetype> indice;
    for (qsizetype i = 0; i < voci.size(); ++i) {
        indice.insert(identificativo(chiaveConfronto(voci[i].sezione.toUtf8()),
                                     chiaveConfronto(voci[i].chiave.toUtf8())),
                      i);
    }
    QList<bool> trovata(voci.size(), false);
    QByteArray aCapo;
    // Where each section's first block ends, and whether that block is still open.
    QHash<QByteArray, qsizetype> fineBlocco;
    QByteArray bloccoAperto;
    bool inBlocco = false;

    struct Modifica
    {
        qsizetype inizio;
        qsizetype fine;
        QByteArray testo;
    };
    std::map<qsizetype, Modifica> modifiche;

    QByteArray sezione;
    bool haSezione = false;
    qsizetype pos = dati.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype n = dati.size();
    bool ultimaSenzaACapo = false;
    while (pos < n) {
        qsizetype fine = pos;
        while (fine < n && dati[fine] != '\n' && dati[fine] != '\r') {
            ++fine;
        }
        qsizetype dopo = fine;
        if (dopo < n) {
            dopo += dati[dopo] == '\r' && dopo + 1 < n && dati[dopo + 1] == '\n' ? 2 : 1;
            if (aCapo.isEmpty()) {
                aCapo = dati.sliced(fine, dopo - fine);
            }
        }
        ultimaSenzaACapo = dopo == fine;
        Riga riga = classifica(dati, pos, fine);
        if (riga.tipo == Riga::SezioneRotta) {
            haSezione = false;
            inBlocco = false;
        } else if (riga.tipo == Riga::Sezione) {
            sezione = riga.nome;
            haSezione = true;
            inBlocco = !fineBlocco.contains(sezione);
            if (inBlocco) {
                bloccoAperto = sezione;
                fineBlocco.insert(sezione, dopo);
            }
        } else if (riga.tipo == Riga::Voce && haSezione) {
            if (inBlocco) {
                fineBlocco[bloccoAperto] = dopo;
            }
            const auto voce = indice.constFind(identificativo(sezione, riga.nome));
            if (voce != indice.constEnd()) {
                trovata[*voce] = true;
                modifiche[riga.inizioValore] = {riga.inizioValore, fine,
                                                comeValore(voci[*voce].valore)};
            }
        }
        pos = dopo;
    }
    if (aCapo.isEmpty()) {
        aCapo = "\n";
    }

    // Keys still missing: into their section's first block, or into a new section at the end.
    std::map<qsizetype, QByteArray> inserimenti;
    QList<QByteArray> nuoveSezioni;
    QHash<QByteArray, QByteArray> testoNuoveSezioni;
    // In the order of each key's first write, with its last value.
    QSet<QByteArray> fatte;
    for (const VoceIni &scritta : voci) {
        const QByteArray sez = chiaveConfronto(scritta.sezione.toUtf8());
        const QByteArray id = identificativo(sez, chiaveConfronto(scritta.chiave.toUtf8()));
        const qsizetype i = indice.value(id);
        if (fatte.contains(id) || trovata[i]) {
            continue;
        }
        fatte.insert(id);
        const QByteArray voce = voci[i].chiave.toUtf8() + '=' + comeValore(voci[i].valore);
        if (const auto blocco = fineBlocco.constFind(sez); blocco != fineBlocco.constEnd()) {
            QByteArray &testo = inserimenti[*blocco];
            // The last line of the file may end without a line break.
            testo += *blocco == n && ultimaSenzaACapo ? aCapo + voce : voce + aCapo;
        } else {
            if (!testoNuoveSezioni.contains(sez)) {
                nuoveSezioni.append(sez);
                testoNuoveSezioni.insert(sez, '[' + voci[i].sezione.toUtf8() + ']' + aCapo);
            }
            testoNuoveSezioni[sez] += voce + aCapo;
        }
    }

    QByteArray risultato;
    risultato.reserve(n + 256);
    qsizetype copiato = 0;
    auto modifica = modifiche.cbegin();
    auto inserimento = inserimenti.cbegin();
    while (modifica != modifiche.cend() || inserimento != inserimenti.cend()) {
        const bool prendiInserimento =
            inserimento != inserimenti.cend() &&
            (modifica == modifiche.cend() || inserimento->first <= modifica->first);
        if (prendiInserimento) {
            risultato += QByteArrayView(dati).sliced(copiato, inserimento->first - copiato);
            risultato += inserimento->second;
            copiato = inserimento->first;
            ++inserimento;
        } else {
            risultato += QByteArrayView(dati).sliced(copiato, modifica->second.inizio - copiato);
            risultato += modifica->second.testo;
            copiato = modifica->second.fine;
            ++modifica;
        }
    }
    risultato += QByteArrayView(dati).sliced(copiato);

    if (!nuoveSezioni.isEmpty()) {
        if (!risultato.isEmpty()) {
            if (!risultato.endsWith('\n') && !risultato.endsWith('\r')) {
                risultato += aCapo;
            }
            risultato += aCapo;
        }
        for (const QByteArray &sez : std::as_const(nuoveSezioni)) {
            risultato += testoNuoveSezioni.value(sez);
        }
    }
    return risultato;
}

// What the reader will return for a written value: blanks at either end are not kept.
QByteArray comeLetto(const QString &valore)
{
    return rifilato(comeValore(valore)).toByteArray();
}

// Lines the reader understands differently from the line rules above (a "[" left open across
// lines) could hide a written key; such keys are written again at the very end, where the
// last value of a key is the one read.
QByteArray verificato(const QByteArray &testo, const QList<VoceIni> &voci)
{
    const IniLetto letto = IniLetto::daTesto(testo);
    QHash<QByteArray, qsizetype> ultima;
    for (qsizetype i = 0; i < voci.size(); ++i) {
        ultima.insert(identificativo(chiaveConfronto(voci[i].sezione.toUtf8()),
                                     chiaveConfronto(voci[i].chiave.toUtf8())),
                      i);
    }
    QByteArray coda;
    for (qsizetype i = 0; i < voci.size(); ++i) {
        const VoceIni &voce = voci[i];
        if (ultima.value(identificativo(chiaveConfronto(voce.sezione.toUtf8()),
                                        chiaveConfronto(voce.chiave.toUtf8()))) != i) {
            continue;
        }
        const QByteArray valore = letto.valoreUtf8(voce.sezione.toUtf8(), voce.chiave.toUtf8());
        if (valore.isNull() || valore != comeLetto(voce.valore)) {
            coda += "\n;\n[" + voce.sezione.toUtf8() + "]\n" + voce.chiave.toUtf8() + '=' +
                    comeValore(voce.valore) + '\n';
        }
    }
    return coda.isEmpty() ? testo : testo + coda;
}

} // namespace

QString LeggiIni(const QString &file, const QString &sezione, const QString &chiave)
{
    return IniLetto(file).valore(sezione, chiave);
}

bool ScriviIni(const QString &file, const QList<VoceIni> &voci, QString *motivo)
{
    try {
        QByteArray dati;
        // A file we cannot read must not be replaced by one holding only these keys.
        if (IniLetto::leggiTesto(file, dati) == IniLetto::Esito::Illeggibile) {
            if (motivo) {
                *motivo = QStringLiteral("File illeggibile");
            }
            return false;
        }
        return scriviFileAtomico(file, verificato(applica(dati, voci), voci), motivo);
    } catch (const std::exception &) {
        if (motivo) {
            *motivo = QStringLiteral("Memoria insufficiente");
        }
        return false;
    }
}

bool ScriviIni(const QString &file, const QString &sezione, const QString &chiave,
               const QString &valore)
{
    return ScriviIni(file, {VoceIni{sezione, chiave, valore}}, nullptr);
}

SalvataggioIni::SalvataggioIni(QString file) : m_file(std::move(file)) {}

void SalvataggioIni::scrivi(const QString &sezione, const QString &chiave, const QString &valore)
{
    m_voci.append(VoceIni{sezione, chiave, valore});
}

bool SalvataggioIni::concludi()
{
    if (m_concluso) {
        return true;
    }
    m_concluso = true;
    return m_voci.isEmpty() || ScriviIni(m_file, m_voci, &m_motivo);
}

QString SalvataggioIni::errore() const
{
    QString testo = QStringLiteral("Impossibile salvare le impostazioni nel file ") + m_file;
    if (!m_motivo.isEmpty()) {
        testo += QStringLiteral("\n\n") + m_motivo;
    }
    return testo;
}

#include "storico/BloccoLetture.h"

#include <algorithm>

namespace BloccoLetture {

qint64 minutoDi(qint64 ms)
{
    return ms >= 0 ? ms / MsMinuto : -((-ms + MsMinuto - 1) / MsMinuto);
}

void aggiungi(QByteArray &blocco, qint64 minuto, const Voce &voce)
{
    const auto scarto = quint16(std::clamp<qint64>(voce.ms - minuto * MsMinuto, 0, MsMinuto - 1));
    const auto grezzo = quint16(std::clamp(voce.grezzo, 0, 65535));
    blocco.append(char(scarto & 0xff)).append(char(scarto >> 8));
    blocco.append(char(grezzo & 0xff)).append(char(grezzo >> 8));
    auto zigzag = (quint64(voce.valore) << 1) ^ quint64(voce.valore >> 63);
    do {
        const auto sette = char(zigzag & 0x7f);
        zigzag >>= 7;
        blocco.append(zigzag ? char(sette | 0x80) : sette);
    } while (zigzag);
}

QList<Voce> leggi(const QByteArray &blocco, qint64 minuto, bool *integro)
{
    QList<Voce> voci;
    voci.reserve(blocco.size() / 5);
    const auto *p = reinterpret_cast<const uchar *>(blocco.constData());
    const auto *fine = p + blocco.size();
    bool buono = true;
    while (p < fine) {
        if (fine - p < 5) {
            buono = false;
            break;
        }
        const int scarto = p[0] | (p[1] << 8);
        const int grezzo = p[2] | (p[3] << 8);
        p += 4;
        quint64 zigzag = 0;
        int spostamento = 0;
        bool chiuso = false;
        while (p < fine && spostamento < 64) {
            const uchar b = *p++;
            zigzag |= quint64(b & 0x7f) << spostamento;
            spostamento += 7;
            if (!(b & 0x80)) {
                chiuso = true;
                break;
            }
        }
        if (!chiuso || scarto >= MsMinuto) {
            buono = false;
            break;
        }
        const auto valore = qint64(zigzag >> 1) ^ -qint64(zigzag & 1);
        voci.append({minuto * MsMinuto + scarto, grezzo, valore});
    }
    if (integro) {
        *integro = buono;
    }
    return voci;
}

} // namespace BloccoLetture

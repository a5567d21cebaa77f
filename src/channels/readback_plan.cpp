#include "channels/readback_plan.h"

#include "link/frames.h"

namespace readback {

using namespace parameters;

QByteArray request(int address, quint8 code)
{
    QByteArray payload;
    payload.append(char(quint8(address)));
    payload.append(char(code));
    return payload;
}

QByteArray request(int address, quint8 code, int channel)
{
    QByteArray payload = request(address, code);
    payload.append(char(quint8(channel)));
    return payload;
}

int list_index(const QByteArray &answer, int offset)
{
    return int(qint8(quint8(answer_byte(answer, 1)))) - offset;
}

QList<Request> parameter_reads(int address, int channel, int mode, int unit_version)
{
    const auto read = [&](ParameterId id) {
        const Parameter &p = parameter(id);
        quint8 code = p.read_code;
        Scope scope = p.read_scope;
        if (id == Trevoga && unit_version <= 0) {
            code = kReadAlarmTimeUnit;
            scope = Scope::Unit;
        }
        const QByteArray payload =
            scope == Scope::Channel ? request(address, code, channel) : request(address, code);
        return Request{Target::Parameter, id, payload, p.offset};
    };

    QList<Request> reads;
    for (ParameterId id : {Porog, Usilenie, Arp, Impuls, Pauza, Okno, Schet, Trevoga, Zaderzhka, Blokirovka})
        reads << read(id);
    if (mode == ModeLf) {
        reads << read(Rezhektsiya);
        reads << Request{Target::Preset, ParameterCount, request(address, kGetPreset, channel), 0};
    }
    reads << Request{Target::CrossMask, ParameterCount, request(address, kGetCrossMask), 0};
    if (mode == ModeHf) {
        reads << read(PerepilPorog);
        reads << read(PerepilVremj);
    }
    return reads;
}

}  // namespace readback

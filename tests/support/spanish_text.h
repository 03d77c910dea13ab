#pragma once

#include <cstddef>

#include "protocol/wide_text.h"

namespace alvena {

// Spanish clinical prose with accents, inverted marks, quotes and line breaks, cut to `size`
// code units: the kind of text the history holds, for benchmarks at full size.
[[nodiscard]] inline WideText SpanishClinicalText(std::size_t size) {
    const WideText paragraph =
        u"Paciente de 54 años con fiebre de 38,5 °C, cefalea y dolor abdominal difuso desde hace "
        u"tres días.\r\n¿Refiere náuseas o vómitos? Sí, con intolerancia a la vía oral.\n"
        u"Orientación: descartar infección urinaria; valorar hemograma, PCR y urocultivo. "
        u"Se sugiere hidratación, reposo y revisión médica si persiste más de 48 horas.\n"
        u"Alergias: penicilina («exantema»). Medicación: metformina 850 mg cada 12 h.\n\n";
    WideText text;
    while (text.size() < size) {
        text += paragraph;
    }
    text.resize(size);
    return text;
}

}  // namespace alvena

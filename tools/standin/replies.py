"""Canned but plausible Spanish answers for each endpoint.

They echo parts of the request so a test can tell a real answer from a stale
or scripted one, and they always present themselves as orientation, never as
a diagnosis.
"""

_NOT_A_DIAGNOSIS = ("Esta es una orientación informativa y no sustituye el diagnóstico "
                    "ni la valoración de un profesional de la salud.")
_WARNING_SIGNS = ("Acuda a urgencias si aparece dificultad para respirar, dolor torácico "
                  "intenso, confusión o pérdida de conciencia.")


def _excerpt(text, limit=160):
    text = " ".join(text.split())
    return text if len(text) <= limit else text[:limit - 1] + "…"


def consultar(body):
    # The question itself is the last turn of the history.
    earlier = len(body["history"]) - 1
    context = ("Se tuvo en cuenta la conversación previa (%d %s). "
               % (earlier, "mensaje" if earlier == 1 else "mensajes") if earlier > 0 else "")
    answer = ("Orientación sobre «%s»: %sConviene observar la evolución de los síntomas, "
              "mantener una hidratación adecuada y anotar cuándo empeoran o mejoran. "
              "%s %s" % (_excerpt(body["query"]), context, _WARNING_SIGNS, _NOT_A_DIAGNOSIS))
    return {
        "answer": answer,
        "mode": body["mode"],
        "fuentes": ["Guía de atención primaria (material de referencia de prueba)"],
    }


def laboratorio(body):
    patient = _patient(body["edad"], body["sexo"])
    return {
        "orientacion": "Orientación sobre los resultados de laboratorio de %s." % patient,
        "analisis": ("Valores recibidos: «%s». Síntomas referidos: «%s». Los valores fuera "
                     "de rango deben interpretarse junto con la historia clínica y, si procede, "
                     "repetirse." % (_excerpt(body["texto_laboratorio"]),
                                     _excerpt(body["sintomas"]) or "ninguno")),
        "nota": _NOT_A_DIAGNOSIS,
        "acciones": [
            "Comentar los resultados con su médico de cabecera.",
            "Llevar los análisis previos a la próxima consulta para compararlos.",
            _WARNING_SIGNS,
        ],
    }


def expediente(body):
    patient = _patient(body["edad"], body["sexo"])
    alerts = ["Alergias referidas: %s; revísense antes de indicar cualquier fármaco."
              % _excerpt(body["alergias"])] if body["alergias"].strip() else []
    alerts.append("Reevaluar signos vitales (%s) si cambia el estado general."
                  % (_excerpt(body["signos_vitales"]) or "no aportados"))
    return {
        "orientacion": ("Orientación para %s (%s) que consulta por «%s». %s"
                        % (patient, body["rol"] or "sin rol", _excerpt(body["motivo"]),
                           _NOT_A_DIAGNOSIS)),
        "analisis": ("Antecedentes crónicos: %s. Medicación actual: %s. La exploración "
                     "descrita (%s) orienta el diagnóstico diferencial siguiente."
                     % (_excerpt(body["cronicas"]) or "ninguno",
                        _excerpt(body["medicamentos"]) or "ninguna",
                        _excerpt(body["exploracion"]) or "no aportada")),
        "alertas": alerts,
        "acciones": [
            "Completar la anamnesis dirigida al motivo de consulta.",
            "Valorar pruebas complementarias según la evolución clínica.",
            "Registrar la orientación en el expediente y citar para seguimiento.",
        ],
        "diagnosticos": [
            "Cuadro viral inespecífico",
            {"diagnostico": "Cefalea tensional", "probabilidad": "moderada"},
            {"diagnostico": "Migraña sin aura", "probabilidad": "baja"},
        ],
    }


def _patient(age, sex):
    parts = [p for p in (sex.strip(), age.strip() and age.strip() + " años") if p]
    return "paciente " + ", ".join(parts) if parts else "el paciente"

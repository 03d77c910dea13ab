#pragma once

namespace alvena {

// "Analizar" on the laboratory page: checks the pasted text and sends the form.
void OnAnalyzeLab();

// "Analizar expediente": checks that the record says something and sends it.
void OnAnalyzeRecord();

}  // namespace alvena

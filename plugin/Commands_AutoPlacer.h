// The handlers of the plug-in's seven commands. Each takes the host's context
// (ignored) and the in-out parameter buffer with its capacity.
#pragma once

#include <cstdint>

namespace autoplacer {

// Placement: start a run, ask a running one to stop, ask whether one runs.
void RunAutoPlacerCommand(void* context, char* parameters, int32_t bufferSize);
void StopAutoPlacerCommand(void* context, char* parameters, int32_t bufferSize);
void AutoPlacerQueryCommand(void* context, char* parameters, int32_t bufferSize);

// Interactive editing and alignment.
void EnterEditingModeCommand(void* context, char* parameters, int32_t bufferSize);
void ExecuteFeatureCommand(void* context, char* parameters, int32_t bufferSize);
void LoseLastAutoSelectedCommand(void* context, char* parameters, int32_t bufferSize);
void AlignComponentsCommand(void* context, char* parameters, int32_t bufferSize);

// The editing mode a parameter string asks for: "AutoAlign" 0, "AutoSelect" 1,
// anything else or none 2.
int EditingModeFromParameters(const char* parameters);
// The feature number a parameter string asks for: "RemouldSquare" 1 to
// "FlipVertical" 9; anything else or none 0.
int FeatureFromParameters(const char* parameters);

// Shows an error box (caption "Error") through the host's dialog host.
void ShowErrorMessage(const char* text);

}  // namespace autoplacer

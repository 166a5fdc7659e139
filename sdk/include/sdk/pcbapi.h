// The host's PCB programming interface: every function that the placer calls,
// exported by the host's PCB module with C linkage.
//
// PCBAPI_FUNCTION_LIST is the single list of them. The host module exports each
// one; the plug-in binds each one by name at first use (see plugin host/).
#pragma once

#include "sdk/pcb_types.h"

// X(ReturnType, Name, (parameter list), (argument names))
#define PCBAPI_FUNCTION_LIST(X)                                                                          \
    /* board */                                                                                           \
    X(PcbHandle, PcbApi_GetCurrentBoardHandle, (void), ())                                                \
    X(int32_t, PcbApi_QueryBoard, (PcbHandle board, int32_t direction, PcbBoardData* data),               \
      (board, direction, data))                                                                           \
    X(int32_t, PcbApi_QueryBoardLayerInfo,                                                                \
      (PcbHandle board, int32_t direction, PcbLayerId layer, PcbLayerInfo* info),                         \
      (board, direction, layer, info))                                                                    \
    X(int32_t, PcbApi_QueryBoardAdvancedPlacerOptions,                                                    \
      (PcbHandle board, int32_t direction, PcbPlacerOptionsData* data), (board, direction, data))         \
    X(int32_t, PcbApi_QueryBoardAdvancedPlacerOptionsExt,                                                 \
      (PcbHandle board, int32_t direction, PcbPlacerOptionsExtData* data), (board, direction, data))      \
    X(int32_t, PcbApi_QuerySystemOptionsMiscellaneous, (int32_t direction, PcbSystemOptionsData* data),   \
      (direction, data))                                                                                  \
    /* iteration */                                                                                       \
    X(PcbHandle, PcbApi_CreateIterator, (PcbHandle owner, uint8_t kind, int32_t method, PcbLayerId layer), \
      (owner, kind, method, layer))                                                                       \
    X(PcbHandle, PcbApi_GetFirstObject, (PcbHandle iterator), (iterator))                                 \
    X(PcbHandle, PcbApi_GetNextObject, (PcbHandle iterator), (iterator))                                  \
    X(void, PcbApi_DestroyIterator, (PcbHandle iterator), (iterator))                                     \
    X(PcbHandle, PcbApi_CreateSpatialIterator,                                                            \
      (PcbHandle board, int32_t x1, int32_t y1, int32_t x2, int32_t y2, PcbLayerSet layers,               \
       PcbKindSet kinds),                                                                                 \
      (board, x1, y1, x2, y2, layers, kinds))                                                             \
    X(PcbHandle, PcbApi_GetFirstSpatialObject, (PcbHandle iterator), (iterator))                          \
    X(PcbHandle, PcbApi_GetNextSpatialObject, (PcbHandle iterator), (iterator))                           \
    X(void, PcbApi_DestroySpatialIterator, (PcbHandle iterator), (iterator))                              \
    /* identity */                                                                                        \
    X(uint8_t, PcbApi_GetObjectIdFromObjectHandle, (PcbHandle object), (object))                          \
    /* transfer: direction 1 reads into the record, 2 and 0 write it to the host */                       \
    X(int32_t, PcbApi_QueryPrimitive, (PcbHandle object, int32_t direction, PcbPrimitiveData* data),      \
      (object, direction, data))                                                                          \
    X(int32_t, PcbApi_QueryComponent, (PcbHandle object, int32_t direction, PcbComponentData* data),      \
      (object, direction, data))                                                                          \
    X(int32_t, PcbApi_QueryNet, (PcbHandle object, int32_t direction, PcbNetData* data),                  \
      (object, direction, data))                                                                          \
    X(int32_t, PcbApi_QueryPolygon, (PcbHandle object, int32_t direction, PcbPolygonData* data),          \
      (object, direction, data))                                                                          \
    X(int32_t, PcbApi_QueryObjectClass, (PcbHandle object, int32_t direction, PcbObjectClassData* data),  \
      (object, direction, data))                                                                          \
    X(int32_t, PcbApi_GetObjectClassMember, (PcbHandle objectClass, int32_t index, char* name,            \
                                             int32_t capacity),                                           \
      (objectClass, index, name, capacity))                                                               \
    X(int32_t, PcbApi_AddObjectClassMember, (PcbHandle objectClass, const char* name),                    \
      (objectClass, name))                                                                                \
    X(int32_t, PcbApi_ClearObjectClassMembers, (PcbHandle objectClass), (objectClass))                    \
    X(int32_t, PcbApi_QueryObjectBase, (PcbHandle object, int32_t direction, PcbObjectData* data),        \
      (object, direction, data))                                                                          \
    /* rules */                                                                                           \
    X(int32_t, PcbApi_QueryRule, (PcbHandle rule, int32_t direction, PcbRuleData* data),                  \
      (rule, direction, data))                                                                            \
    X(int32_t, PcbApi_QueryRuleExt, (PcbHandle rule, int32_t direction, PcbRuleExtData* data),            \
      (rule, direction, data))                                                                            \
    X(int32_t, PcbApi_QueryRuleEx, (PcbHandle rule, int32_t direction, PcbRuleExData* data),              \
      (rule, direction, data))                                                                            \
    X(int32_t, PcbApi_QueryRuleClearanceConstraint, (PcbHandle rule, int32_t direction, int32_t* gap),    \
      (rule, direction, gap))                                                                             \
    X(int32_t, PcbApi_QueryRuleComponentClearanceConstraint,                                              \
      (PcbHandle rule, int32_t direction, int32_t* gap, uint8_t* mode), (rule, direction, gap, mode))      \
    X(int32_t, PcbApi_QueryRuleConfinementConstraint,                                                     \
      (PcbHandle rule, int32_t direction, int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2,             \
       uint8_t* kind, PcbLayerId* layer),                                                                 \
      (rule, direction, x1, y1, x2, y2, kind, layer))                                                     \
    X(int32_t, PcbApi_QueryRuleComponentRotationsRule, (PcbHandle rule, int32_t direction, uint8_t* flags), \
      (rule, direction, flags))                                                                           \
    X(int32_t, PcbApi_QueryRulePermittedLayersRule, (PcbHandle rule, int32_t direction, uint8_t* flags),  \
      (rule, direction, flags))                                                                           \
    X(int32_t, PcbApi_QueryRuleRoutingLayersRule,                                                         \
      (PcbHandle rule, int32_t direction, uint8_t* directions /* PCB_SIGNAL_LAYER_COUNT codes */),        \
      (rule, direction, directions))                                                                      \
    X(uint8_t, PcbApi_Scope1_Includes, (PcbHandle rule, PcbHandle object), (rule, object))                \
    X(PcbHandle, PcbApi_FindDominantRuleForObject, (PcbHandle object, uint8_t ruleKind), (object, ruleKind)) \
    X(PcbHandle, PcbApi_FindDominantRuleForObjectPair, (PcbHandle a, PcbHandle b, uint8_t ruleKind),      \
      (a, b, ruleKind))                                                                                   \
    /* geometry */                                                                                        \
    X(uint8_t, PcbApi_QueryObjectBoundingRectangle,                                                       \
      (PcbHandle object, int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2), (object, x1, y1, x2, y2))   \
    X(uint8_t, PCBAPI_CheckPrimitivesOverlapWithClearance, (PcbHandle a, PcbHandle b, int32_t clearance), \
      (a, b, clearance))                                                                                  \
    /* objects and containers */                                                                          \
    X(PcbHandle, PcbApi_CreateObject, (uint8_t kind), (kind))                                             \
    X(void, PcbApi_DestroyObject, (PcbHandle object), (object))                                           \
    X(void, PcbApi_SetOwnerBoard, (PcbHandle object, PcbHandle board), (object, board))                   \
    X(void, PcbApi_AddObjectToContainer, (PcbHandle container, PcbHandle object), (container, object))    \
    X(void, PcbApi_DeleteObjectFromContainer, (PcbHandle container, PcbHandle object),                    \
      (container, object))                                                                                \
    /* display */                                                                                         \
    X(void, PcbApi_HideObject, (PcbHandle object), (object))                                              \
    X(void, PcbApi_ShowObject, (PcbHandle object), (object))                                              \
    X(void, PcbApi_InvertObject, (PcbHandle object), (object))                                            \
    X(void, PcbApi_ScreenDisplay, (PcbHandle object, int32_t mode, int32_t colour), (object, mode, colour)) \
    X(void, PcbApi_QueryObjectGraphicallyInvalidate, (PcbHandle object), (object))                        \
    /* nets */                                                                                            \
    X(void, PcbApi_AnalyzeNet, (PcbHandle net), (net))                                                    \
    /* progress */                                                                                        \
    X(void, PcbApi_Percent_Init, (const char* text, int32_t total), (text, total))                        \
    X(void, PcbApi_Percent_Update, (void), ())                                                            \
    X(void, PcbApi_Percent_Finish, (void), ())                                                            \
    /* interaction */                                                                                     \
    X(uint8_t, PcbApi_ChooseLocation, (int32_t* x, int32_t* y, const char* prompt), (x, y, prompt))       \
    X(PcbHandle, PcbApi_GetObjectAtXYAskUserIfAmbiguous,                                                  \
      (int32_t x, int32_t y, PcbKindSet kinds, PcbLayerSet layers, int32_t pickMode),                     \
      (x, y, kinds, layers, pickMode))                                                                    \
    X(uint8_t, PcbApi_ShiftDown, (void), ())                                                              \
    X(uint8_t, PcbApi_ControlDown, (void), ())                                                            \
    X(uint8_t, PcbApi_PerformanceIsPoor, (void), ())                                                      \
    /* editor events */                                                                                   \
    X(PcbHandle, PcbApi_CreateEventHandler, (void* self, const PcbEventProc* operations, PcbKeyProc onKey), \
      (self, operations, onKey))                                                                          \
    X(int32_t, PcbApi_RunEventHandler, (PcbHandle handler), (handler))                                    \
    X(void, PcbApi_DestroyEventHandler, (PcbHandle handler), (handler))

#ifdef __cplusplus
extern "C" {
#endif

#define PCBAPI_DECLARE(Ret, Name, Params, Args) Ret Name Params;
PCBAPI_FUNCTION_LIST(PCBAPI_DECLARE)
#undef PCBAPI_DECLARE

#ifdef __cplusplus
}
#endif

// The pin and media-type enumerators of the test camera: fixed lists with a cursor.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include "MediaTypes.h"

#include <vector>

namespace testcam {

// Enumerates a fixed list of pins (each held for the enumerator's lifetime).
HRESULT MakePinEnumerator(std::vector<Microsoft::WRL::ComPtr<IPin>> pins, IEnumPins** result);
// Enumerates copies of a fixed list of media types.
HRESULT MakeMediaTypeEnumerator(std::vector<MediaType> types, IEnumMediaTypes** result);

} // namespace testcam

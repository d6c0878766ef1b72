#pragma once
// What the portfolio grids need of the tab view that shows them. The Qt views implement
// it; the grids hold it as a non-owning pointer and do nothing while none is set.
#include <cstdint>

class IPortfolioView {
  public:
    virtual ~IPortfolioView() = default;
    // The portfolio commands the context menu runs.
    virtual void OnCarteraComprar() = 0;
    virtual void OnCarteraVender() = 0;
    virtual void OnCarteraOtros() = 0;
    virtual void OnCarteraComision() = 0;
    // Edits the movement with this id; an unknown id does nothing.
    virtual void OnModificar(uint64_t id) = 0;
    // Invalidates the whole view, erasing the background, and repaints it at once.
    virtual void InvalidateView() = 0;
};

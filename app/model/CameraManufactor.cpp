#include "app/model/CameraManufactor.h"

#include <utility>

CameraManufactor::CameraManufactor(int manufactorId, std::string manufactor, std::string model, std::string type,
                                   int origin)
    : manufactorId(manufactorId),
      origin(origin),
      model(std::move(model)),
      manufactor(std::move(manufactor)),
      type(std::move(type)) {}

std::string CameraManufactor::getListString() const { return manufactor + " " + model; }

#include "meter/meter_model.h"

#include "meter/models/usb_logger/usb_logger_model.h"

namespace sonavistor {

namespace {

std::vector<const MeterModel*>& modelTable()
{
    static const UsbLoggerModel usbLogger;
    static std::vector<const MeterModel*> table{&usbLogger};
    return table;
}

}  // namespace

const MeterModel* findMeterModel(quint16 vendorId, quint16 productId)
{
    for (const MeterModel* model : modelTable()) {
        if (model->vendorId() == vendorId && model->productId() == productId)
            return model;
    }
    return nullptr;
}

void registerMeterModel(const MeterModel* model)
{
    if (!findMeterModel(model->vendorId(), model->productId()))
        modelTable().push_back(model);
}

const MeterModel& defaultMeterModel()
{
    return *modelTable().front();
}

}  // namespace sonavistor

#include "tickbase/gametime/bind_game_time.h"

#include <luabind/luabind.hpp>

#include "tickbase/gametime/game_clock.h"

namespace {

cGameTime* GetGameTime() { return &cGameTime::Instance(); }

}  // namespace

void BindGameTime(lua_State* L) {
  using luabind::class_;
  using luabind::def;
  using luabind::module;
  using luabind::value;

  module(L)[def("GetGameTime", &GetGameTime)];

  module(L)[class_<stGameTime>("stGameTime")
                .def_readwrite("year", &stGameTime::year)
                .def_readwrite("month", &stGameTime::month)
                .def_readwrite("day", &stGameTime::day)
                .def_readwrite("hour", &stGameTime::hour)
                .def_readwrite("min", &stGameTime::min)
                .def_readwrite("sec", &stGameTime::sec)];

  // m_time of a class type is handed out by reference (luabind's default for
  // data members), so scripts see and write the clock's own record.
  module(L)[class_<cGameTime>("cGameTime")
                .enum_("GameTimeEnum")[value("GameTime_Year", cGameTime::GameTime_Year),
                                       value("GameTime_Month", cGameTime::GameTime_Month),
                                       value("GameTime_Day", cGameTime::GameTime_Day),
                                       value("GameTime_Hour", cGameTime::GameTime_Hour),
                                       value("GameTime_Min", cGameTime::GameTime_Min),
                                       value("GameTime_Sec", cGameTime::GameTime_Sec)]
                // Scripts register script callbacks under the native names.
                .def("RegistCallback", &cGameTime::RegistCallbackScript)
                .def("RegistCallbackAt", &cGameTime::RegistCallbackAtScript)
                .def("UnregistCallback", &cGameTime::UnregistCallbackScript)
                .def("UnregistCallbackAt", &cGameTime::UnregistCallbackAtScript)
                .def("SetTimeMul", &cGameTime::SetTimeMul)
                .def_readwrite("m_time", &cGameTime::m_time)];
}

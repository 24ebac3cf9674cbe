#!/usr/bin/env python3
"""Writes data/DtcLookup/OBDII.txt, the table of generic OBD-II trouble codes that ships with
VORTIK: one line per code, "CODE Generic Description", LF line ends, powertrain codes first,
then body, chassis and network codes, each group in code order.

The descriptions are written here, in plain English. Regular families (a component's circuit
faults, one code per cylinder, bank or sensor) are generated from small tables of components.

Usage: tools/dtc-table/make_obdii.py [output]   (default: data/DtcLookup/OBDII.txt)
       tools/dtc-table/make_obdii.py --check     (exit status 1 when the file differs)
"""

import os
import sys

BRAND = "Generic"
TABLE = {}


def code(letter, number):
    """A code from its letter and a number written as four decimal digits (P0101 = 101)."""
    return "%s%04d" % (letter, number)


def add(c, text):
    if c in TABLE:
        raise SystemExit("duplicate code %s" % c)
    if not text or text != text.strip() or "\t" in text:
        raise SystemExit("bad description for %s" % c)
    TABLE[c] = text


def run(letter, start, texts):
    """Consecutive codes from `start`, one per text."""
    for i, text in enumerate(texts):
        add(code(letter, start + i), text)


def P(start, *texts):
    run("P", start, texts)


# --- Circuit fault families ----------------------------------------------------------------
# Each takes a component and gives the texts of consecutive codes.

def five(what):
    """Circuit, range/performance, low, high, intermittent."""
    return [what + " circuit", what + " circuit range/performance", what + " circuit low",
            what + " circuit high", what + " circuit intermittent"]


def four(what):
    return five(what)[:4]


def lowhigh(what):
    return [what + " circuit low", what + " circuit high"]


def control3(what):
    """Control circuit open, low, high."""
    return [what + " control circuit/open", what + " control circuit low",
            what + " control circuit high"]


def control4(what):
    """Control circuit open, range/performance, low, high."""
    return [what + " control circuit/open", what + " control circuit range/performance",
            what + " control circuit low", what + " control circuit high"]


def speed4(what):
    """Speed sensors: circuit, range/performance, no signal, intermittent."""
    return [what + " circuit", what + " circuit range/performance", what + " circuit no signal",
            what + " circuit intermittent"]


def solenoid5(what):
    """Transmission solenoids: fault, performance or stuck off, stuck on, electrical,
    intermittent."""
    return [what, what + " performance or stuck off", what + " stuck on", what + " electrical",
            what + " intermittent"]


def sensor5e(what):
    """Circuit, range/performance, low, high, intermittent/erratic."""
    t = five(what)
    t[4] = what + " circuit intermittent/erratic"
    return t


BANK_SENSOR = lambda bank, sensor: "bank %d sensor %d" % (bank, sensor)


# --- P00xx: fuel and air metering, auxiliary emission controls -------------------------------

def powertrain_00():
    P(1, *control4("Fuel volume regulator"))
    P(5, *control3("Fuel shutoff valve A"))
    P(8, "Engine position system performance, bank 1",
      "Engine position system performance, bank 2")
    add("P000A", "Camshaft A position slow response, bank 1")
    add("P000B", "Camshaft B position slow response, bank 1")
    add("P000C", "Camshaft A position slow response, bank 2")
    add("P000D", "Camshaft B position slow response, bank 2")
    add("P000E", "Fuel volume regulator control exceeded its learning limit")
    add("P000F", "Fuel system over-pressure relief valve activated")
    for base, bank in ((10, 1), (20, 2)):
        for offset, cam in ((0, "A"), (3, "B")):
            P(base + offset,
              "Camshaft %s position actuator circuit/open, bank %d" % (cam, bank),
              "Camshaft %s position timing over-advanced or system performance, bank %d"
              % (cam, bank),
              "Camshaft %s position timing over-retarded, bank %d" % (cam, bank))
    P(16, *["Crankshaft/camshaft position correlation, bank %d sensor %s" % (b, s)
            for b in (1, 2) for s in ("A", "B")])
    P(26, "Intake valve control solenoid circuit range/performance, bank 1",
      "Exhaust valve control solenoid circuit range/performance, bank 1",
      "Intake valve control solenoid circuit range/performance, bank 2",
      "Exhaust valve control solenoid circuit range/performance, bank 2")
    # Oxygen sensor heater control circuits.
    for start, bank, sensor in ((30, 1, 1), (36, 1, 2), (42, 1, 3), (50, 2, 1), (56, 2, 2),
                                (62, 2, 3)):
        where = BANK_SENSOR(bank, sensor)
        P(start, "Oxygen sensor heater control circuit, " + where,
          "Oxygen sensor heater control circuit low, " + where,
          "Oxygen sensor heater control circuit high, " + where)
    P(33, "Turbocharger/supercharger bypass valve A control circuit",
      "Turbocharger/supercharger bypass valve A control circuit low",
      "Turbocharger/supercharger bypass valve A control circuit high")
    P(39, "Turbocharger/supercharger bypass valve A control circuit range/performance")
    P(40, "Oxygen sensor signals swapped, bank 1 sensor 1 / bank 2 sensor 1",
      "Oxygen sensor signals swapped, bank 1 sensor 2 / bank 2 sensor 2")
    P(45, *four("Turbocharger/supercharger boost control A"))
    P(49, "Turbocharger/supercharger turbine overspeed")
    P(53, *["Oxygen sensor heater resistance, " + BANK_SENSOR(1, s) for s in (1, 2, 3)])
    P(59, *["Oxygen sensor heater resistance, " + BANK_SENSOR(2, s) for s in (1, 2, 3)])
    P(65, "Air-assisted injector control range/performance",
      "Air-assisted injector control circuit or circuit low",
      "Air-assisted injector control circuit high",
      "Manifold pressure or mass air flow does not agree with throttle position",
      "Manifold absolute pressure does not agree with barometric pressure")
    P(70, *five("Ambient air temperature sensor"))
    for start, valve, bank in ((75, "Intake", 1), (78, "Exhaust", 1), (81, "Intake", 2),
                               (84, "Exhaust", 2)):
        what = "%s valve control solenoid" % valve
        P(start, "%s circuit, bank %d" % (what, bank), "%s circuit low, bank %d" % (what, bank),
          "%s circuit high, bank %d" % (what, bank))
    P(87, "Fuel rail/system pressure too low", "Fuel rail/system pressure too high",
      "Fuel pressure regulator 1 performance")
    P(90, "Fuel pressure regulator 1 control circuit",
      "Fuel pressure regulator 1 control circuit low",
      "Fuel pressure regulator 1 control circuit high",
      "Fuel system leak detected, large leak", "Fuel system leak detected, small leak")
    P(95, *sensor5e("Intake air temperature sensor 2"))
    add("P00BC", "Mass or volume air flow sensor A circuit range/performance: air flow too low")
    add("P00BD", "Mass or volume air flow sensor A circuit range/performance: air flow too high")


# --- P01xx: fuel and air metering ----------------------------------------------------------

def o2_sensor(start, bank, sensor):
    where = BANK_SENSOR(bank, sensor)
    P(start, "Oxygen sensor circuit, " + where, "Oxygen sensor circuit low voltage, " + where,
      "Oxygen sensor circuit high voltage, " + where,
      "Oxygen sensor circuit slow response, " + where,
      "Oxygen sensor circuit no activity detected, " + where,
      "Oxygen sensor heater circuit, " + where)


def powertrain_01():
    P(100, "Mass or volume air flow sensor circuit",
      "Mass or volume air flow sensor circuit range/performance",
      "Mass or volume air flow sensor circuit low input",
      "Mass or volume air flow sensor circuit high input",
      "Mass or volume air flow sensor circuit intermittent")
    P(105, "Manifold absolute pressure/barometric pressure sensor circuit",
      "Manifold absolute pressure/barometric pressure sensor circuit range/performance",
      "Manifold absolute pressure/barometric pressure sensor circuit low input",
      "Manifold absolute pressure/barometric pressure sensor circuit high input",
      "Manifold absolute pressure/barometric pressure sensor circuit intermittent")
    P(110, *five("Intake air temperature sensor 1"))
    P(115, *five("Engine coolant temperature sensor"))
    P(120, *five("Throttle/pedal position sensor/switch A"))
    P(125, "Coolant temperature too low for closed-loop fuel control",
      "Coolant temperature too low for stable operation", "Intake air temperature too high",
      "Coolant thermostat: coolant temperature below the thermostat regulating temperature",
      "Barometric pressure too low")
    o2_sensor(130, 1, 1)
    o2_sensor(136, 1, 2)
    o2_sensor(142, 1, 3)
    P(148, "Fuel delivery error", "Fuel timing error")
    o2_sensor(150, 2, 1)
    o2_sensor(156, 2, 2)
    o2_sensor(162, 2, 3)
    P(168, "Fuel temperature too high", "Incorrect fuel composition")
    P(170, "Fuel trim, bank 1", "System too lean, bank 1", "System too rich, bank 1",
      "Fuel trim, bank 2", "System too lean, bank 2", "System too rich, bank 2")
    P(176, *four("Fuel composition sensor"))
    P(180, *five("Fuel temperature sensor A"))
    P(185, *five("Fuel temperature sensor B"))
    P(190, *five("Fuel rail pressure sensor A"))
    P(195, *five("Engine oil temperature sensor"))


# --- P02xx: fuel and air metering (injector circuits) ----------------------------------------

def powertrain_02():
    P(200, "Injector circuit/open")
    P(201, *["Injector circuit/open, cylinder %d" % n for n in range(1, 13)])
    P(213, "Cold start injector 1", "Cold start injector 2", "Engine shutoff solenoid",
      "Injector/injection timing control circuit", "Engine coolant over-temperature condition",
      "Transmission fluid over-temperature condition", "Engine overspeed condition")
    P(220, *five("Throttle/pedal position sensor/switch B"))
    P(225, *five("Throttle/pedal position sensor/switch C"))
    P(230, "Fuel pump primary circuit", "Fuel pump secondary circuit low",
      "Fuel pump secondary circuit high", "Fuel pump secondary circuit intermittent",
      "Turbocharger/supercharger A overboost condition")
    P(235, *four("Turbocharger/supercharger boost sensor A"))
    P(239, *four("Turbocharger/supercharger boost sensor B"))
    P(243, "Turbocharger/supercharger wastegate solenoid A",
      "Turbocharger/supercharger wastegate solenoid A range/performance",
      "Turbocharger/supercharger wastegate solenoid A low",
      "Turbocharger/supercharger wastegate solenoid A high",
      "Turbocharger/supercharger wastegate solenoid B",
      "Turbocharger/supercharger wastegate solenoid B range/performance",
      "Turbocharger/supercharger wastegate solenoid B low",
      "Turbocharger/supercharger wastegate solenoid B high")
    P(251, *five("Injection pump fuel metering control A (cam/rotor/injector)"))
    P(256, *five("Injection pump fuel metering control B (cam/rotor/injector)"))
    for n in range(1, 13):
        P(261 + 3 * (n - 1), "Cylinder %d injector circuit low" % n,
          "Cylinder %d injector circuit high" % n, "Cylinder %d contribution/balance" % n)
    P(297, "Vehicle overspeed condition", "Engine oil over-temperature condition",
      "Turbocharger/supercharger A underboost condition")


# --- P03xx: ignition system and misfire ----------------------------------------------------

def powertrain_03():
    P(300, "Random/multiple cylinder misfire detected")
    P(301, *["Cylinder %d misfire detected" % n for n in range(1, 13)])
    P(313, "Misfire detected with low fuel",
      "Single cylinder misfire detected (cylinder not specified)",
      "Crankshaft position system variation not learned",
      "Misfire detected on start-up (first 1000 revolutions)",
      "Rough road hardware not present", "Rough road sensor A signal circuit",
      "Rough road sensor B signal circuit")
    P(320, "Ignition/distributor engine speed input circuit",
      "Ignition/distributor engine speed input circuit range/performance",
      "Ignition/distributor engine speed input circuit no signal",
      "Ignition/distributor engine speed input circuit intermittent",
      "Knock control system error")
    P(325, *five("Knock sensor 1 (bank 1 or single sensor)"))
    P(330, *five("Knock sensor 2 (bank 2)"))
    P(335, *five("Crankshaft position sensor A"))
    P(340, *five("Camshaft position sensor A (bank 1 or single sensor)"))
    P(345, *five("Camshaft position sensor A (bank 2)"))
    P(350, "Ignition coil primary/secondary circuit")
    P(351, *["Ignition coil %s primary/secondary circuit" % c for c in "ABCDEFGHIJKL"])
    P(363, "Misfire detected, fueling disabled")
    P(365, *five("Camshaft position sensor B (bank 1)"))
    for start, signal in ((370, "A"), (375, "B")):
        what = "Timing reference high-resolution signal " + signal
        P(start, what, what + ": too many pulses", what + ": too few pulses",
          what + ": intermittent/erratic pulses", what + ": no pulses")
    P(380, "Glow plug/heater circuit A", "Glow plug/heater indicator circuit",
      "Glow plug/heater circuit B", "Glow plug control module control circuit low",
      "Glow plug control module control circuit high")
    P(385, *five("Crankshaft position sensor B"))
    P(390, *five("Camshaft position sensor B (bank 2)"))


# --- P04xx: auxiliary emission controls ----------------------------------------------------

def catalyst(start, bank):
    b = ", bank %d" % bank
    P(start, "Catalyst system efficiency below threshold" + b,
      "Warm-up catalyst efficiency below threshold" + b,
      "Main catalyst efficiency below threshold" + b,
      "Heated catalyst efficiency below threshold" + b,
      "Heated catalyst temperature below threshold" + b, "Catalyst temperature sensor" + b,
      "Catalyst temperature sensor range/performance" + b,
      "Catalyst temperature sensor low input" + b, "Catalyst temperature sensor high input" + b,
      "Catalyst heater control circuit" + b)


def powertrain_04():
    P(400, "Exhaust gas recirculation (EGR) flow", "EGR flow insufficient",
      "EGR flow excessive", "EGR control circuit", "EGR control circuit range/performance",
      "EGR sensor A circuit low", "EGR sensor A circuit high", "EGR sensor B circuit low",
      "EGR sensor B circuit high", "EGR sensor A circuit")
    P(410, "Secondary air injection system",
      "Secondary air injection system incorrect flow detected",
      "Secondary air injection switching valve A circuit",
      "Secondary air injection switching valve A circuit open",
      "Secondary air injection switching valve A circuit shorted",
      "Secondary air injection switching valve B circuit",
      "Secondary air injection switching valve B circuit open",
      "Secondary air injection switching valve B circuit shorted",
      "Secondary air injection system control A circuit",
      "Secondary air injection system control B circuit")
    catalyst(420, 1)
    catalyst(430, 2)
    P(440, "Evaporative emission (EVAP) system", "EVAP system incorrect purge flow",
      "EVAP system leak detected (small leak)", "EVAP purge control valve circuit",
      "EVAP purge control valve circuit open", "EVAP purge control valve circuit shorted",
      "EVAP vent control circuit", "EVAP vent control circuit open",
      "EVAP vent control circuit shorted", "EVAP vent valve/solenoid circuit")
    P(450, *five("EVAP system pressure sensor/switch"))
    P(455, "EVAP system leak detected (large leak or no flow)",
      "EVAP system leak detected (very small leak)",
      "EVAP system leak detected (fuel cap loose or off)", "EVAP purge valve circuit low",
      "EVAP purge valve circuit high")
    P(460, *five("Fuel level sensor A"))
    P(465, *five("EVAP purge flow sensor"))
    P(470, *five("Exhaust pressure sensor A"))
    P(475, "Exhaust pressure control valve A",
      "Exhaust pressure control valve A range/performance",
      "Exhaust pressure control valve A low", "Exhaust pressure control valve A high",
      "Exhaust pressure control valve A intermittent")
    P(480, "Cooling fan 1 control circuit", "Cooling fan 2 control circuit",
      "Cooling fan 3 control circuit", "Cooling fan rationality check",
      "Cooling fan circuit over current", "Cooling fan power/ground circuit",
      "EGR sensor B circuit", "EGR throttle position control circuit",
      "EGR throttle position control range/performance", "EGR control circuit low",
      "EGR control circuit high", "Secondary air injection system insufficient flow, bank 1",
      "Secondary air injection system insufficient flow, bank 2", "Cooling fan overspeed",
      "Cooling fan speed low", "Cooling fan speed high", "EVAP system high purge flow",
      "EVAP system low purge flow", "EVAP vent control circuit low",
      "EVAP vent control circuit high")


# --- P05xx: vehicle speed, idle control, auxiliary inputs ----------------------------------

def powertrain_05():
    P(500, "Vehicle speed sensor A", "Vehicle speed sensor A range/performance",
      "Vehicle speed sensor A circuit low input",
      "Vehicle speed sensor A intermittent/erratic/high",
      "Brake switch A/B correlation", "Idle air control system",
      "Idle air control system: engine speed lower than expected",
      "Idle air control system: engine speed higher than expected",
      "Idle air control system circuit low", "Idle air control system circuit high",
      "Closed throttle position switch", "Idle air control circuit", "Starter request circuit",
      "Invalid immobilizer key", "Battery temperature sensor circuit range/performance",
      "Battery temperature sensor circuit", "Battery temperature sensor circuit low",
      "Battery temperature sensor circuit high", "Idle air control circuit intermittent",
      "Idle air control system performance")
    P(520, *four("Engine oil pressure sensor/switch"))
    P(524, "Engine oil pressure too low", "Cruise control servo control circuit range/performance")
    P(526, *speed4("Cooling fan speed sensor"))
    P(530, *four("A/C refrigerant pressure sensor A"))
    P(534, "Air conditioner refrigerant charge loss")
    P(535, *five("A/C evaporator temperature sensor"))
    P(540, "Intake air heater A circuit", "Intake air heater A circuit low",
      "Intake air heater A circuit high", "Intake air heater A circuit open")
    P(544, "Exhaust gas temperature sensor circuit, bank 1 sensor 1",
      "Exhaust gas temperature sensor circuit low, bank 1 sensor 1",
      "Exhaust gas temperature sensor circuit high, bank 1 sensor 1",
      "Exhaust gas temperature sensor circuit, bank 2 sensor 1",
      "Exhaust gas temperature sensor circuit low, bank 2 sensor 1",
      "Exhaust gas temperature sensor circuit high, bank 2 sensor 1")
    P(550, *five("Power steering pressure sensor/switch"))
    P(555, *five("Brake booster pressure sensor"))
    P(560, "System voltage", "System voltage unstable", "System voltage low",
      "System voltage high", "Cruise control multi-function input A circuit",
      "Cruise control ON signal", "Cruise control OFF signal", "Cruise control RESUME signal",
      "Cruise control SET signal", "Cruise control COAST signal",
      "Cruise control ACCELERATE signal", "Brake switch A circuit", "Brake switch A circuit low",
      "Brake switch A circuit high", "Cruise control system: vehicle speed too high",
      "Cruise control input circuit", "Cruise control input circuit low",
      "Cruise control input circuit high", "Cruise control multi-function input A circuit stuck",
      "Cruise control multi-function input A circuit range/performance",
      "Cruise control multi-function input A circuit low",
      "Cruise control multi-function input A circuit high")
    P(582, *control3("Cruise control vacuum"))
    P(585, "Cruise control multi-function input A/B correlation")
    P(586, *control3("Cruise control vent"))
    P(589, "Cruise control multi-function input B circuit",
      "Cruise control multi-function input B circuit stuck",
      "Cruise control multi-function input B circuit range/performance",
      "Cruise control multi-function input B circuit low",
      "Cruise control multi-function input B circuit high")
    P(594, *control3("Cruise control servo"))
    P(597, *control3("Thermostat heater"))


# --- P06xx: computer and auxiliary outputs -------------------------------------------------

def powertrain_06():
    P(600, "Serial communication link", "Control module internal memory checksum error",
      "Control module programming error",
      "Control module internal keep-alive memory (KAM) error",
      "Control module internal random access memory (RAM) error",
      "Control module internal read-only memory (ROM) error", "Control module processor",
      "Control module performance", "Control module vehicle speed sensor output A",
      "Control module vehicle speed sensor output B", "Control module vehicle options error",
      "Fuel injector control module performance", "Fuel injector control module relay control",
      "Transmission control module processor",
      "Engine and transmission control modules incompatible", "Starter relay circuit",
      "Starter relay circuit low", "Starter relay circuit high",
      "Alternative fuel control module keep-alive memory error",
      "Alternative fuel control module RAM/ROM error", "Generator control circuit",
      "Generator lamp (L terminal) control circuit", "Generator field (F terminal) control circuit",
      "Generator lamp control circuit", "Fuel cap lamp control circuit",
      "Generator field terminal circuit low", "Generator field terminal circuit high")
    P(627, *control3("Fuel pump A"))
    P(630, "VIN not programmed or incompatible: engine control module",
      "VIN not programmed or incompatible: transmission control module",
      "Odometer not programmed: engine control module",
      "Immobilizer key not programmed: engine control module",
      "Control module internal temperature too high", "Power steering control circuit",
      "Power steering control circuit low", "Power steering control circuit high",
      "Throttle actuator control range/performance, bank 1",
      "Throttle actuator control range/performance, bank 2", "Intake air heater control circuit")
    P(641, "Sensor reference voltage A circuit/open", "Sensor reference voltage A circuit low",
      "Sensor reference voltage A circuit high")
    P(644, "Driver display serial communication circuit", "A/C clutch relay control circuit",
      "A/C clutch relay control circuit low", "A/C clutch relay control circuit high",
      "Immobilizer lamp control circuit", "Speed control lamp control circuit",
      "Malfunction indicator lamp (MIL) control circuit",
      "Sensor reference voltage B circuit/open", "Sensor reference voltage B circuit low",
      "Sensor reference voltage B circuit high", "Engine speed output circuit",
      "Engine hot lamp output control circuit", "Fuel level output circuit",
      "Actuator supply voltage A circuit/open", "Actuator supply voltage A circuit low",
      "Actuator supply voltage A circuit high")
    P(660, *[t + ", bank 1" for t in control3("Intake manifold tuning valve")])
    P(663, *[t + ", bank 2" for t in control3("Intake manifold tuning valve")])
    P(666, *four("Control module internal temperature sensor A"))
    P(670, "Glow plug control module control circuit")
    P(671, *["Glow plug circuit, cylinder %d" % n for n in range(1, 13)])
    P(683, "Glow plug control module to engine control module communication circuit",
      "Glow plug control module to engine control module communication circuit "
      "range/performance")
    P(685, *control3("Engine control module power relay"))
    P(688, "Engine control module power relay sense circuit/open",
      "Engine control module power relay sense circuit low",
      "Engine control module power relay sense circuit high")
    P(691, *[t for n in (1, 2, 3) for t in lowhigh("Cooling fan %d control" % n)])
    P(697, "Sensor reference voltage C circuit/open", "Sensor reference voltage C circuit low",
      "Sensor reference voltage C circuit high")


# --- P07xx..P09xx: transmission ------------------------------------------------------------

def powertrain_07():
    P(700, "Transmission control system (MIL request)",
      "Transmission control system range/performance", "Transmission control system electrical",
      "Brake switch B circuit", "Clutch switch input circuit")
    P(705, *five("Transmission range sensor A (PRNDL input)"))
    P(710, *five("Transmission fluid temperature sensor A"))
    P(715, *speed4("Input/turbine speed sensor A"))
    P(719, "Brake switch B circuit low")
    P(720, *speed4("Output speed sensor"))
    P(724, "Brake switch B circuit high")
    P(725, *speed4("Engine speed input"))
    P(729, "Gear 6 incorrect ratio", "Incorrect gear ratio")
    P(731, *["Gear %d incorrect ratio" % n for n in range(1, 6)])
    P(736, "Reverse incorrect ratio", "Transmission control module engine speed output circuit",
      "Transmission control module engine speed output circuit low",
      "Transmission control module engine speed output circuit high")
    P(740, "Torque converter clutch solenoid circuit/open",
      "Torque converter clutch solenoid circuit performance or stuck off",
      "Torque converter clutch solenoid circuit stuck on",
      "Torque converter clutch solenoid circuit electrical",
      "Torque converter clutch solenoid circuit intermittent")
    P(745, *solenoid5("Pressure control solenoid A"))
    for start, s in ((750, "A"), (755, "B"), (760, "C"), (765, "D"), (770, "E")):
        P(start, *solenoid5("Shift solenoid " + s))
    P(775, *solenoid5("Pressure control solenoid B"))
    P(780, "Shift error", "1-2 shift error", "2-3 shift error", "3-4 shift error",
      "4-5 shift error")
    P(785, *five("Shift/timing solenoid A"))
    P(790, "Normal/performance switch circuit")
    P(791, *speed4("Intermediate shaft speed sensor A"))
    P(795, *solenoid5("Pressure control solenoid C"))


def powertrain_08():
    P(800, "Transfer case control system (MIL request)", "Reverse inhibit control circuit",
      "Transmission control system MIL request circuit/open",
      "1-4 upshift (skip shift) solenoid control circuit",
      "1-4 upshift (skip shift) lamp control circuit")
    P(805, *five("Clutch position sensor"))
    P(810, "Clutch position control error", "Excessive clutch slippage",
      "Reverse input circuit", "Reverse output circuit", "Transmission range display circuit",
      "Upshift switch circuit", "Downshift switch circuit", "Starter disable circuit",
      "Driveline disconnect switch input circuit",
      "Up/down shift switch does not agree with transmission range",
      "Gear lever X-Y position sensor circuit", "Gear lever X position circuit",
      "Gear lever Y position circuit", "Gear lever X position circuit intermittent",
      "Gear lever Y position circuit intermittent",
      "Gear lever push-pull switch (shift anticipate)", "Up and down shift switch circuit",
      "Up and down shift switch circuit low", "Up and down shift switch circuit high",
      "5-6 shift error")
    P(830, "Clutch pedal switch A circuit", "Clutch pedal switch A circuit low",
      "Clutch pedal switch A circuit high", "Clutch pedal switch B circuit",
      "Clutch pedal switch B circuit low", "Clutch pedal switch B circuit high")
    P(836, *four("Four-wheel drive (4WD) switch"))
    P(840, *five("Transmission fluid pressure sensor/switch A"))
    P(845, *five("Transmission fluid pressure sensor/switch B"))
    P(850, "Park/neutral switch input circuit", "Park/neutral switch input circuit low",
      "Park/neutral switch input circuit high", "Drive switch input circuit",
      "Drive switch input circuit low", "Drive switch input circuit high",
      "Traction control input signal", "Traction control input signal range/performance",
      "Traction control input signal low", "Traction control input signal high",
      "Gear shift module communication circuit", "Gear shift module communication circuit low",
      "Gear shift module communication circuit high",
      "Transmission control module communication circuit",
      "Transmission control module communication circuit range/performance",
      "Transmission control module communication circuit low",
      "Transmission control module communication circuit high",
      "Transmission fluid pressure", "Transmission fluid pressure low",
      "Transmission fluid pressure high")
    P(870, *five("Transmission fluid pressure sensor/switch C"))
    P(875, *five("Transmission fluid pressure sensor/switch D"))
    P(880, *five("Transmission control module power input signal"))
    P(885, *control3("Transmission control module power relay"))
    P(888, *five("Transmission control module power relay sense"))
    P(893, "Multiple gears engaged", "Transmission component slipping", "Shift time too short",
      "Shift time too long", "Transmission fluid deteriorated",
      "Transmission control system MIL request circuit low",
      "Transmission control system MIL request circuit high")


def powertrain_09():
    P(900, "Clutch actuator circuit/open", "Clutch actuator circuit range/performance",
      "Clutch actuator circuit low", "Clutch actuator circuit high")
    P(904, *five("Gate select position"))
    P(909, "Gate select control error")
    P(910, "Gate select actuator circuit/open", "Gate select actuator circuit range/performance",
      "Gate select actuator circuit low", "Gate select actuator circuit high")
    P(914, *five("Gear shift position"))
    P(919, "Gear shift position control error")
    for start, what in ((920, "Gear shift forward actuator"), (924, "Gear shift reverse actuator")):
        P(start, what + " circuit/open", what + " circuit range/performance",
          what + " circuit low", what + " circuit high")
    P(928, *control4("Gear shift lock solenoid"))
    P(932, *five("Hydraulic pressure sensor"))
    P(937, *five("Hydraulic oil temperature sensor"))
    P(942, "Hydraulic pressure unit", "Hydraulic pressure unit cycling period too short",
      "Hydraulic pressure unit loss of pressure")
    P(945, "Hydraulic pump relay circuit/open", "Hydraulic pump relay circuit range/performance",
      "Hydraulic pump relay circuit low", "Hydraulic pump relay circuit high",
      "Automated manual transmission adaptive learning not complete")
    P(950, *five("Automated manual transmission control"))
    P(955, *five("Automated manual transmission mode"))
    P(960, *control4("Pressure control solenoid A"))
    P(964, *control4("Pressure control solenoid B"))
    P(968, *control4("Pressure control solenoid C"))
    for start, s in ((972, "A"), (975, "B"), (978, "C"), (981, "D"), (984, "E")):
        what = "Shift solenoid %s control circuit" % s
        P(start, what + " range/performance", what + " low", what + " high")
    P(987, *five("Transmission fluid pressure sensor/switch E"))
    P(992, *five("Transmission fluid pressure sensor/switch F"))
    P(997, "Shift solenoid F control circuit range/performance",
      "Shift solenoid F control circuit low", "Shift solenoid F control circuit high")


# --- P20xx..P28xx --------------------------------------------------------------------------

def powertrain_20():
    P(2000, "NOx trap efficiency below threshold, bank 1",
      "NOx trap efficiency below threshold, bank 2",
      "Diesel particulate filter efficiency below threshold, bank 1",
      "Diesel particulate filter efficiency below threshold, bank 2",
      "Intake manifold runner control stuck open, bank 1",
      "Intake manifold runner control stuck open, bank 2",
      "Intake manifold runner control stuck closed, bank 1",
      "Intake manifold runner control stuck closed, bank 2")
    P(2008, *[t + ", bank 1" for t in control3("Intake manifold runner")])
    P(2011, *[t + ", bank 2" for t in control3("Intake manifold runner")])
    P(2014, *[t + ", bank 1" for t in five("Intake manifold runner position sensor/switch")])
    P(2019, *[t + ", bank 2" for t in five("Intake manifold runner position sensor/switch")])
    P(2024, "EVAP fuel vapor temperature sensor circuit",
      "EVAP fuel vapor temperature sensor performance",
      "EVAP fuel vapor temperature sensor circuit low voltage",
      "EVAP fuel vapor temperature sensor circuit high voltage",
      "EVAP fuel vapor temperature sensor circuit intermittent", "Fuel-fired heater disabled",
      "Fuel-fired heater performance")
    P(2031, "Exhaust gas temperature sensor circuit, bank 1 sensor 2",
      "Exhaust gas temperature sensor circuit low, bank 1 sensor 2",
      "Exhaust gas temperature sensor circuit high, bank 1 sensor 2",
      "Exhaust gas temperature sensor circuit, bank 2 sensor 2",
      "Exhaust gas temperature sensor circuit low, bank 2 sensor 2",
      "Exhaust gas temperature sensor circuit high, bank 2 sensor 2")
    P(2037, *five("Reductant injection air pressure sensor"))
    P(2042, *five("Reductant temperature sensor"))
    for start, bank, unit in ((2047, 1, 1), (2050, 2, 1), (2053, 1, 2), (2056, 2, 2)):
        where = ", bank %d unit %d" % (bank, unit)
        P(start, "Reductant injector circuit/open" + where, "Reductant injector circuit low" + where,
          "Reductant injector circuit high" + where)
    P(2059, *control3("Reductant injection air pump"))
    P(2062, *control3("Reductant supply"))
    P(2065, *five("Fuel level sensor B"))
    P(2070, "Intake manifold tuning valve stuck open", "Intake manifold tuning valve stuck closed",
      "Electronic throttle control system: ice blockage",
      "Manifold pressure or air flow does not agree with throttle position at idle",
      "Manifold pressure or air flow does not agree with throttle position at higher load")
    P(2075, *five("Intake manifold tuning valve position sensor/switch"))
    for start, where in ((2080, "bank 1 sensor 1"), (2082, "bank 2 sensor 1"),
                         (2084, "bank 1 sensor 2"), (2086, "bank 2 sensor 2")):
        P(start, "Exhaust gas temperature sensor circuit range/performance, " + where,
          "Exhaust gas temperature sensor circuit intermittent, " + where)
    for start, cam, bank in ((2088, "A", 1), (2090, "B", 1), (2092, "A", 2), (2094, "B", 2)):
        what = "Camshaft %s position actuator control circuit" % cam
        P(start, "%s low, bank %d" % (what, bank), "%s high, bank %d" % (what, bank))
    P(2096, "Post-catalyst fuel trim system too lean, bank 1",
      "Post-catalyst fuel trim system too rich, bank 1",
      "Post-catalyst fuel trim system too lean, bank 2",
      "Post-catalyst fuel trim system too rich, bank 2")
    add("P203F", "Reductant level too low")
    add("P204F", "Reductant system performance, bank 1")
    add("P20EE", "SCR NOx catalyst efficiency below threshold, bank 1")


def powertrain_21():
    P(2100, "Throttle actuator A control motor circuit/open",
      "Throttle actuator A control motor circuit range/performance",
      "Throttle actuator A control motor circuit low",
      "Throttle actuator A control motor circuit high",
      "Throttle actuator control system: forced idle",
      "Throttle actuator control system: forced engine shutdown",
      "Throttle actuator control system: forced limited power",
      "Throttle actuator control module processor",
      "Throttle actuator control module performance",
      "Throttle/pedal position sensor A minimum stop performance",
      "Throttle actuator control system: forced limited engine speed",
      "Throttle actuator control system stuck open",
      "Throttle actuator control system stuck closed")
    P(2113, *["Throttle/pedal position sensor %s minimum stop performance" % s for s in "BCDEF"])
    P(2118, "Throttle actuator control motor current range/performance",
      "Throttle actuator control throttle body range/performance")
    P(2120, *five("Throttle/pedal position sensor/switch D"))
    P(2125, *five("Throttle/pedal position sensor/switch E"))
    P(2130, *five("Throttle/pedal position sensor/switch F"))
    P(2135, *["Throttle/pedal position sensor/switch %s/%s voltage correlation" % pair
              for pair in (("A", "B"), ("A", "C"), ("B", "C"), ("D", "E"), ("D", "F"),
                           ("E", "F"))])
    P(2141, "EGR throttle control circuit low", "EGR throttle control circuit high")
    P(2143, *control3("EGR vent"))
    for start, group in ((2146, "A"), (2149, "B"), (2152, "C"), (2155, "D")):
        what = "Fuel injector group %s supply voltage circuit" % group
        P(start, what + "/open", what + " low", what + " high")
    P(2158, "Vehicle speed sensor B", "Vehicle speed sensor B range/performance",
      "Vehicle speed sensor B circuit low", "Vehicle speed sensor B intermittent/erratic",
      "Vehicle speed sensor A/B correlation")
    P(2163, *["Throttle/pedal position sensor %s maximum stop performance" % s for s in "ABCDEF"])
    P(2169, *control3("Exhaust pressure regulator vent solenoid"))
    P(2172, "Throttle actuator control system: sudden high air flow detected",
      "Throttle actuator control system: high air flow detected",
      "Throttle actuator control system: sudden low air flow detected",
      "Throttle actuator control system: low air flow detected",
      "Throttle actuator control system: idle position not learned",
      "System too lean off idle, bank 1", "System too rich off idle, bank 1",
      "System too lean off idle, bank 2", "System too rich off idle, bank 2",
      "Cooling system performance")
    P(2182, *sensor5e("Engine coolant temperature sensor 2"))
    P(2187, "System too lean at idle, bank 1", "System too rich at idle, bank 1",
      "System too lean at idle, bank 2", "System too rich at idle, bank 2",
      "System too lean at higher load, bank 1", "System too rich at higher load, bank 1",
      "System too lean at higher load, bank 2", "System too rich at higher load, bank 2",
      "Oxygen sensor signal biased/stuck lean, bank 1 sensor 1",
      "Oxygen sensor signal biased/stuck rich, bank 1 sensor 1",
      "Oxygen sensor signal biased/stuck lean, bank 2 sensor 1",
      "Oxygen sensor signal biased/stuck rich, bank 2 sensor 1",
      "Intake air temperature sensor 1/2 correlation")


def nox_sensor(start, bank):
    b = ", bank %d" % bank
    P(start, *[t + b for t in five("NOx sensor")])
    P(start + 5, *[t + b for t in control3("NOx sensor heater")])
    P(start + 8, *[t + b for t in five("NOx sensor heater sense")])


def powertrain_22():
    nox_sensor(2200, 1)
    nox_sensor(2213, 2)
    P(2226, *sensor5e("Barometric pressure sensor"))
    P(2231, *["Oxygen sensor signal circuit shorted to heater circuit, " + BANK_SENSOR(b, s)
              for b in (1, 2) for s in (1, 2, 3)])
    for start, bank in ((2237, 1), (2240, 2)):
        where = ", " + BANK_SENSOR(bank, 1)
        P(start, *[t + where for t in control3("Oxygen sensor positive current")])
    for start, bank in ((2243, 1), (2247, 2)):
        where = ", " + BANK_SENSOR(bank, 1)
        P(start, "Oxygen sensor reference voltage circuit/open" + where,
          "Oxygen sensor reference voltage performance" + where,
          "Oxygen sensor reference voltage circuit low" + where,
          "Oxygen sensor reference voltage circuit high" + where)
    for start, bank in ((2251, 1), (2254, 2)):
        where = ", " + BANK_SENSOR(bank, 1)
        P(start, *[t + where for t in control3("Oxygen sensor negative current")])
    P(2257, "Secondary air injection system control A circuit low",
      "Secondary air injection system control A circuit high",
      "Secondary air injection system control B circuit low",
      "Secondary air injection system control B circuit high",
      "Turbocharger/supercharger bypass valve mechanical fault",
      "Turbocharger/supercharger boost pressure not detected, mechanical fault",
      "Turbocharger/supercharger boost system performance")
    P(2264, *five("Water-in-fuel sensor"))
    P(2269, "Water in fuel condition")
    P(2270, *["Oxygen sensor signal biased/stuck %s, %s" % (mix, BANK_SENSOR(b, s))
              for s in (2, 3) for b in (1, 2) for mix in ("lean", "rich")])
    P(2278, "Oxygen sensor signals swapped, bank 1 sensor 3 / bank 2 sensor 3",
      "Intake air system leak",
      "Air flow restriction or air leak between air filter and mass air flow sensor",
      "Air leak between mass air flow sensor and throttle body",
      "Air leak between throttle body and intake valves")
    P(2283, *five("Injector control pressure sensor"))
    P(2288, "Injector control pressure too high",
      "Injector control pressure too high with the engine off",
      "Injector control pressure too low",
      "Injector control pressure too low while cranking", "Injector control pressure erratic",
      "Fuel pressure regulator 2 performance", "Fuel pressure regulator 2 control circuit",
      "Fuel pressure regulator 2 control circuit low",
      "Fuel pressure regulator 2 control circuit high",
      "Oxygen sensor out of range during deceleration, bank 1 sensor 1",
      "Oxygen sensor out of range during deceleration, bank 2 sensor 1",
      "Brake pedal position and accelerator pedal position incompatible")


def powertrain_23():
    for k, coil in enumerate("ABCDEFGHIJKL"):
        what = "Ignition coil %s" % coil
        P(2300 + 3 * k, what + " primary control circuit low",
          what + " primary control circuit high", what + " secondary circuit")
    P(2336, *["Cylinder %d above knock threshold" % n for n in range(1, 13)])


def secondary_air_sensor(start, bank):
    P(start, *[t + ", bank %d" % bank
               for t in sensor5e("Secondary air injection air flow/pressure sensor")])


def powertrain_24():
    P(2400, *control3("EVAP leak detection pump"))
    P(2403, "EVAP leak detection pump sense circuit/open",
      "EVAP leak detection pump sense circuit range/performance",
      "EVAP leak detection pump sense circuit low",
      "EVAP leak detection pump sense circuit high",
      "EVAP leak detection pump sense circuit intermittent/erratic")
    P(2408, *sensor5e("Fuel cap sensor/switch"))
    P(2413, "EGR system performance",
      "Oxygen sensor exhaust sample error, bank 1 sensor 1",
      "Oxygen sensor exhaust sample error, bank 2 sensor 1",
      "Oxygen sensor signals swapped, bank 1 sensor 2 / bank 1 sensor 3",
      "Oxygen sensor signals swapped, bank 2 sensor 2 / bank 2 sensor 3")
    P(2418, *control3("EVAP switching valve"))
    P(2421, "EVAP vent valve stuck open", "EVAP vent valve stuck closed",
      "Hydrocarbon adsorption catalyst efficiency below threshold, bank 1",
      "Hydrocarbon adsorption catalyst efficiency below threshold, bank 2")
    P(2425, *control3("EGR cooling valve"))
    P(2428, "Exhaust gas temperature too high, bank 1", "Exhaust gas temperature too high, bank 2")
    secondary_air_sensor(2430, 1)
    secondary_air_sensor(2435, 2)
    P(2440, "Secondary air injection switching valve stuck open, bank 1",
      "Secondary air injection switching valve stuck closed, bank 1",
      "Secondary air injection switching valve stuck open, bank 2",
      "Secondary air injection switching valve stuck closed, bank 2",
      "Secondary air injection pump stuck on, bank 1",
      "Secondary air injection pump stuck off, bank 1",
      "Secondary air injection pump stuck on, bank 2",
      "Secondary air injection pump stuck off, bank 2",
      "Secondary air injection system high air flow, bank 1",
      "Secondary air injection system high air flow, bank 2",
      "EVAP switching valve performance or stuck open", "EVAP switching valve stuck closed")
    P(2452, *sensor5e("Diesel particulate filter pressure sensor A"))
    P(2457, "EGR cooling system performance", "Diesel particulate filter regeneration duration",
      "Diesel particulate filter regeneration frequency")
    P(2463, "Diesel particulate filter restricted: soot accumulation")
    add("P242F", "Diesel particulate filter restricted: ash accumulation")
    add("P244A", "Diesel particulate filter differential pressure too low, bank 1")
    add("P244B", "Diesel particulate filter differential pressure too high, bank 1")


def powertrain_25():
    P(2500, "Generator lamp/L terminal circuit low", "Generator lamp/L terminal circuit high",
      "Charging system voltage", "Charging system voltage low", "Charging system voltage high")
    P(2505, *five("Engine control module power input signal"))
    P(2510, "Engine control module power relay sense circuit range/performance",
      "Engine control module power relay sense circuit intermittent")
    P(2512, "Event data recorder request circuit/open",
      "Event data recorder request circuit low", "Event data recorder request circuit high")
    P(2515, *four("A/C refrigerant pressure sensor B"))
    P(2519, "A/C request A circuit", "A/C request A circuit low", "A/C request A circuit high",
      "A/C request B circuit", "A/C request B circuit low", "A/C request B circuit high")
    P(2525, *five("Vacuum reservoir pressure sensor"))
    for start, position in ((2530, "run"), (2533, "run/start"), (2536, "accessory")):
        what = "Ignition switch %s position circuit" % position
        P(start, what, what + " low", what + " high")
    P(2539, *five("Low pressure fuel system sensor"))
    P(2544, *["Torque management request input signal A" + t
              for t in ("", " range/performance", " low", " high")])
    P(2548, *["Torque management request input signal B" + t
              for t in ("", " range/performance", " low", " high")])
    P(2552, *four("Throttle/fuel inhibit"))
    P(2556, *four("Engine coolant level sensor/switch"))
    P(2560, "Engine coolant level low",
      "A/C control module requested malfunction indicator lamp")
    P(2562, *five("Turbocharger boost control position sensor A"))
    P(2567, *five("Direct ozone reduction catalyst temperature sensor"))


def rocker_arm(start, arm, bank):
    b = ", bank %d" % bank
    what = "Rocker arm actuator %s" % arm
    P(start, what + " control circuit/open" + b,
      what + " system performance or stuck off" + b, what + " system stuck on" + b,
      what + " control circuit low" + b, what + " control circuit high" + b)


def powertrain_26():
    P(2600, *control4("Coolant pump A"))
    P(2604, "Intake air heater A circuit range/performance", "Intake air heater A circuit/open",
      "Intake air heater B circuit range/performance", "Intake air heater B circuit low",
      "Intake air heater B circuit high", "Intake air heater system performance",
      "Engine control module internal engine-off timer performance")
    P(2611, *control3("A/C refrigerant distribution valve"))
    for start, what in ((2614, "Camshaft position signal output"),
                        (2617, "Crankshaft position signal output"),
                        (2620, "Throttle position output")):
        P(start, what + " circuit/open", what + " circuit low", what + " circuit high")
    P(2623, "Injector control pressure regulator circuit/open",
      "Injector control pressure regulator circuit low",
      "Injector control pressure regulator circuit high")
    for start, bank in ((2626, 1), (2629, 2)):
        where = ", " + BANK_SENSOR(bank, 1)
        P(start, "Oxygen sensor pumping current trim circuit/open" + where,
          "Oxygen sensor pumping current trim circuit low" + where,
          "Oxygen sensor pumping current trim circuit high" + where)
    P(2632, *control3("Fuel pump B"))
    P(2635, "Fuel pump A low flow/performance", "Fuel pump B low flow/performance")
    P(2637, *["Torque management feedback signal A" + t
              for t in ("", " range/performance", " low", " high")])
    P(2641, *["Torque management feedback signal B" + t
              for t in ("", " range/performance", " low", " high")])
    rocker_arm(2645, "A", 1)
    rocker_arm(2650, "B", 1)
    rocker_arm(2655, "A", 2)
    rocker_arm(2660, "B", 2)
    P(2665, *control3("Fuel shutoff valve B"))
    P(2668, "Fuel mode indicator lamp control circuit",
      "Actuator supply voltage B circuit/open", "Actuator supply voltage B circuit low",
      "Actuator supply voltage B circuit high", "Injection pump timing offset",
      "Injection pump timing calibration error", "Injection pump fuel calibration error")
    P(2675, *control3("Air cleaner inlet"))


def pressure_solenoid(start, s):
    P(start, *solenoid5("Pressure control solenoid " + s))
    P(start + 5, *control4("Pressure control solenoid " + s))


def powertrain_27():
    P(2700, *["Transmission friction element %s apply time range/performance" % e
              for e in "ABCDEF"])
    P(2706, *solenoid5("Shift solenoid F"))
    P(2711, "Unexpected mechanical gear disengagement", "Hydraulic power unit leakage")
    pressure_solenoid(2713, "D")
    pressure_solenoid(2722, "E")
    pressure_solenoid(2731, "F")
    P(2740, *five("Transmission fluid temperature sensor B"))
    P(2745, *speed4("Intermediate shaft speed sensor B"))
    P(2749, *speed4("Intermediate shaft speed sensor C"))
    P(2753, *control3("Transmission fluid cooler"))
    P(2756, *solenoid5("Torque converter clutch pressure control solenoid"))
    # The high circuit comes before the low one in this family.
    P(2761, "Torque converter clutch pressure control solenoid control circuit/open",
      "Torque converter clutch pressure control solenoid control circuit range/performance",
      "Torque converter clutch pressure control solenoid control circuit high",
      "Torque converter clutch pressure control solenoid control circuit low")
    P(2765, *speed4("Input/turbine speed sensor B"))
    P(2769, "Torque converter clutch circuit low", "Torque converter clutch circuit high")
    P(2771, *four("Four-wheel drive (4WD) low switch"))
    P(2775, "Upshift switch circuit range/performance", "Upshift switch circuit low",
      "Upshift switch circuit high", "Upshift switch circuit intermittent/erratic",
      "Downshift switch circuit range/performance", "Downshift switch circuit low",
      "Downshift switch circuit high", "Downshift switch circuit intermittent/erratic",
      "Torque converter temperature too high", "Input/turbine speed sensor A/B correlation",
      "Clutch actuator temperature too high", "Gear shift actuator temperature too high",
      "Clutch temperature too high",
      "Automated manual transmission adaptive learning at limit",
      "Clutch adaptive learning at limit")
    P(2790, "Gate select direction circuit", "Gate select direction circuit low",
      "Gate select direction circuit high", "Gear shift direction circuit",
      "Gear shift direction circuit low", "Gear shift direction circuit high")


def powertrain_28():
    P(2800, *five("Transmission range sensor B (PRNDL input)"))
    P(2805, "Transmission range sensor A/B correlation")


def powertrain_2a():
    for k, (bank, sensor) in enumerate(((1, 1), (1, 2), (1, 3), (2, 1), (2, 2), (2, 3))):
        add("P2A0%d" % k, "Oxygen sensor circuit range/performance, " + BANK_SENSOR(bank, sensor))


# --- P34xx: cylinder deactivation ----------------------------------------------------------

def powertrain_34():
    P(3400, "Cylinder deactivation system, bank 1")
    for n in range(1, 13):
        intake = "Cylinder %d deactivation/intake valve control" % n
        exhaust = "Cylinder %d exhaust valve control" % n
        P(3401 + 8 * (n - 1), intake + " circuit/open", intake + " performance",
          intake + " circuit low", intake + " circuit high", exhaust + " circuit/open",
          exhaust + " performance", exhaust + " circuit low", exhaust + " circuit high")
    P(3497, "Cylinder deactivation system, bank 2")


# --- P0Axx: hybrid and electric drive -------------------------------------------------------

def powertrain_0a():
    for number, text in (
            ("0A08", "DC/DC converter status circuit"),
            ("0A09", "DC/DC converter status circuit low"),
            ("0A0A", "High voltage system interlock circuit"),
            ("0A0F", "Engine failed to start"),
            ("0A10", "DC/DC converter status circuit high"),
            ("0A1F", "Battery energy control module"),
            ("0A3F", "Drive motor A position sensor circuit"),
            ("0A40", "Drive motor A position sensor circuit range/performance"),
            ("0A78", "Drive motor A inverter performance"),
            ("0A7A", "Generator inverter performance"),
            ("0A7F", "Hybrid battery pack deterioration"),
            ("0A80", "Replace hybrid battery pack"),
            ("0A93", "Inverter cooling system performance"),
            ("0A94", "DC/DC converter performance"),
            ("0AA6", "Hybrid battery voltage system isolation fault")):
        add("P" + number, text)


# --- B0xxx: body (restraints) --------------------------------------------------------------

def body():
    run("B", 1, ["Driver frontal airbag stage %d deployment control" % s for s in (1, 2, 3)])
    run("B", 10, ["Passenger frontal airbag stage %d deployment control" % s
                  for s in (1, 2, 3)])
    run("B", 20, ["Left side airbag deployment control"])
    run("B", 28, ["Right side airbag deployment control"])
    add(code("B", 100), "Electronic frontal sensor 1")


# --- C0xxx: chassis (brakes) ---------------------------------------------------------------

def chassis():
    for start, wheel in ((35, "Left front"), (40, "Right front"), (45, "Left rear"),
                         (50, "Right rear")):
        run("C", start, ["%s wheel speed sensor circuit" % wheel])


# --- U0xxx: network communication ----------------------------------------------------------

def bus(start, name):
    run("U", start, [name, name + " performance", name + " (+) open", name + " (+) low",
                     name + " (+) high", name + " (-) open", name + " (-) low",
                     name + " (-) high", name + " (-) shorted to bus (+)"])


# Modules of the lost-communication codes, by code.
LOST = {
    100: "engine control module A", 101: "transmission control module",
    102: "transfer case control module", 103: "gear shift control module A",
    104: "cruise control module", 105: "fuel injector control module",
    106: "glow plug control module", 107: "throttle actuator control module",
    108: "alternative fuel control module", 109: "fuel pump control module",
    110: "drive motor control module A", 111: "battery energy control module A",
    112: "battery energy control module B", 113: "emissions critical control information",
    114: "four-wheel drive clutch control module", 115: "engine control module B",
    121: "anti-lock brake system (ABS) control module", 122: "vehicle dynamics control module",
    123: "yaw rate sensor module", 124: "lateral acceleration sensor module",
    125: "multi-axis acceleration sensor module", 126: "steering angle sensor module",
    127: "tire pressure monitor module", 128: "park brake control module",
    129: "brake system control module", 130: "steering effort control module",
    131: "power steering control module", 132: "ride level control module",
    140: "body control module", 141: "body control module A", 142: "body control module B",
    143: "body control module C", 144: "body control module D", 145: "body control module E",
    146: "serial gateway module A", 151: "restraints control module",
    155: "instrument panel cluster (IPC) control module", 156: "information center A",
    157: "information center B", 158: "head-up display", 159: "parking assist control module A",
    160: "audible alert control module", 161: "compass module",
    162: "navigation display module", 163: "navigation control module",
    164: "HVAC control module", 165: "rear HVAC control module",
    166: "auxiliary heater control module", 167: "vehicle immobilizer control module",
    168: "vehicle security control module", 169: "sunroof control module",
    180: "automatic lighting control module", 181: "headlamp leveling control module",
    182: "front lighting control module", 183: "rear lighting control module",
    184: "radio", 185: "antenna control module", 186: "audio amplifier",
    191: "television", 192: "personal computer",
    195: "subscription entertainment receiver module",
    196: "rear seat entertainment control module", 197: "telephone control module",
    198: "telematics control module",
    199: "door control module A", 200: "door control module B", 201: "door control module C",
    202: "door control module D", 203: "door control module E", 204: "door control module F",
    205: "door control module G", 206: "folding top control module",
    207: "moveable roof control module", 208: "seat control module A",
    209: "seat control module B", 210: "seat control module C", 211: "seat control module D",
    212: "steering column control module", 213: "mirror control module",
    214: "remote function actuation module", 230: "rear gate module",
    231: "rain sensing module", 232: "left side obstacle detection control module",
    233: "right side obstacle detection control module", 234: "convenience recall module",
    235: "cruise control front distance range sensor",
    152: "side restraints control module left",
    153: "side restraints control module right",
    154: "restraints occupant classification system module",
    253: "accessory protocol interface module",
    293: "hybrid powertrain control module",
}

# Modules of the software-incompatibility codes, by code.
INCOMPATIBLE = {
    303: "transfer case control module", 304: "gear shift control module",
    305: "cruise control module", 306: "fuel injector control module",
    307: "glow plug control module", 308: "throttle actuator control module",
    309: "alternative fuel control module", 310: "fuel pump control module",
    315: "anti-lock brake system control module", 316: "vehicle dynamics control module",
    322: "body control module", 323: "instrument panel control module",
    324: "HVAC control module", 326: "vehicle immobilizer control module",
    327: "vehicle security control module", 328: "steering angle sensor module",
}

# Modules of the invalid-data codes, by code.
INVALID = {
    401: "engine control module A", 402: "transmission control module",
    403: "transfer case control module", 404: "gear shift control module A",
    405: "cruise control module", 406: "fuel injector control module",
    407: "glow plug control module", 408: "throttle actuator control module",
    409: "alternative fuel control module", 410: "fuel pump control module",
    415: "anti-lock brake system (ABS) control module",
    416: "vehicle dynamics control module", 417: "park brake control module",
    418: "brake system control module",
    422: "body control module", 423: "instrument panel cluster control module",
    424: "HVAC control module", 426: "vehicle immobilizer control module",
    427: "vehicle security control module", 428: "steering angle sensor module",
}


def network():
    bus(1, "High speed CAN communication bus")
    bus(10, "Medium speed CAN communication bus")
    bus(19, "Low speed CAN communication bus")
    for start, name in ((28, "A"), (37, "B"), (46, "C"), (55, "D"), (64, "E")):
        bus(start, "Vehicle communication bus " + name)
    run("U", 73, ["Control module communication bus %s off" % b for b in "ABCDE"])
    for number, module in LOST.items():
        add(code("U", number), "Lost communication with " + module)
    run("U", 300, ["Internal control module software incompatibility",
                   "Software incompatible with engine control module",
                   "Software incompatible with transmission control module"])
    for number, module in INVALID.items():
        add(code("U", number), "Invalid data received from " + module)
    for number, module in INCOMPATIBLE.items():
        add(code("U", number), "Software incompatible with " + module)


GROUP_ORDER = "PBCU"


def build():
    for part in (powertrain_00, powertrain_01, powertrain_02, powertrain_03, powertrain_04,
                 powertrain_05, powertrain_06, powertrain_07, powertrain_08, powertrain_09,
                 powertrain_20, powertrain_21, powertrain_22, powertrain_23, powertrain_24,
                 powertrain_25, powertrain_26, powertrain_27, powertrain_28, powertrain_2a,
                 powertrain_34, powertrain_0a,
                 body, chassis, network):
        part()
    lines = []
    for c in sorted(TABLE, key=lambda c: (GROUP_ORDER.index(c[0]), int(c[1:], 16))):
        text = TABLE[c]
        text = text[0].upper() + text[1:]
        lines.append("%s %s %s\n" % (c, BRAND, text))
    return "".join(lines)


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    default = os.path.join(root, "data", "DtcLookup", "OBDII.txt")
    args = sys.argv[1:]
    text = build().encode("ascii")
    if args and args[0] == "--check":
        path = args[1] if len(args) > 1 else default
        with open(path, "rb") as f:
            same = f.read() == text
        if not same:
            print("%s differs from the generator's output" % path, file=sys.stderr)
        return 0 if same else 1
    path = args[0] if args else default
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text)
    print("%s: %d codes" % (path, len(TABLE)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

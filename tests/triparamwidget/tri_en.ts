<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>TriParamWidget</name>
    <message>
        <source>设备配置</source>
        <translation>Device settings</translation>
    </message>
    <message>
        <source>触发输出</source>
        <translation>Trigger output</translation>
    </message>
    <message>
        <source>促动器型号：</source>
        <translation>Actuator model:</translation>
    </message>
</context>
</TS>

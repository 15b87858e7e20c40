<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>BtnParamWidget</name>
    <message>
        <source>离线参数</source>
        <translation>Offline parameters</translation>
    </message>
    <message>
        <source>位置模式</source>
        <translation>Position mode</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
</TS>

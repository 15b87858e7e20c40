<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AddDevWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>添加设备</source>
        <translation>Add device</translation>
    </message>
    <message>
        <source>扫描设备</source>
        <translation>Scan for devices</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>扫描失败, 设备列表未更新。</source>
        <translation>Scan failed; the device list was not updated.</translation>
    </message>
    <message>
        <source>%1 台设备正被调试窗口使用, 未列出。</source>
        <translation>%1 device(s) in use by the engineering console, not listed.</translation>
    </message>
    <message>
        <source>设备 %1 正被调试窗口使用。</source>
        <translation>Device %1 is in use by the engineering console.</translation>
    </message>
    <message>
        <source>设备 %1 仍被占用, 请稍后再试。</source>
        <translation>Device %1 is still busy; try again shortly.</translation>
    </message>
    <message>
        <source>设备 %1 无法打开。</source>
        <translation>Device %1 could not be opened.</translation>
    </message>
    <message>
        <source>正在扫描设备…</source>
        <translation>Scanning for devices…</translation>
    </message>
    <message>
        <source>正在打开设备…</source>
        <translation>Opening devices…</translation>
    </message>
    <message>
        <source>扫描未找到, 未显示: %1</source>
        <translation>Not found by the scan, not shown: %1</translation>
    </message>
</context>
<context>
    <name>BtnParamWidget</name>
    <message>
        <source>离线参数</source>
        <translation>Offline parameters</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>mm/s</source>
        <translation>mm/s</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>速度模式</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>步进模式</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>位置模式</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>步进值</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>位置1</source>
        <translation>Pos. 1</translation>
    </message>
    <message>
        <source>位置2</source>
        <translation>Pos. 2</translation>
    </message>
    <message>
        <source>背光亮度等级</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>背光睡眠等级</source>
        <translation>Sleep level</translation>
    </message>
    <message>
        <source>背光休眠时间</source>
        <translation>Sleep after</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>?</translation>
    </message>
    <message>
        <source> 超出限制范围
</source>
        <translation> out of range
</translation>
    </message>
</context>
<context>
    <name>ChartWidget</name>
    <message>
        <source>时间范围：</source>
        <translation>Time span:</translation>
    </message>
    <message>
        <source>30 秒</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>60 秒</source>
        <translation>60 s</translation>
    </message>
    <message>
        <source>5 分钟</source>
        <translation>5 min</translation>
    </message>
    <message>
        <source>30 分钟</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>纵轴自动适应</source>
        <translation>Auto-fit position axis</translation>
    </message>
    <message>
        <source>导出图片</source>
        <translation>Export image</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>目标位置</source>
        <translation>Target</translation>
    </message>
    <message>
        <source>已归零</source>
        <translation>Homed</translation>
    </message>
    <message>
        <source>限位</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>命令</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>设备已断开</source>
        <translation>Device disconnected</translation>
    </message>
    <message>
        <source>位置 (mm)</source>
        <translation>Position (mm)</translation>
    </message>
    <message>
        <source>导出位置曲线</source>
        <translation>Export position chart</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>无法保存图片 %1。</source>
        <translation>Could not save the image %1.</translation>
    </message>
    <message>
        <source>设备已断开：%1</source>
        <translation>Device disconnected: %1</translation>
    </message>
    <message>
        <source>回原点</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>推进</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>巡航</source>
        <translation>Cruise</translation>
    </message>
    <message>
        <source>正在记录：%1</source>
        <translation>Recording: %1</translation>
    </message>
    <message>
        <source>已记录 %1 行：%2</source>
        <translation>Recorded %1 rows: %2</translation>
    </message>
    <message>
        <source>时间 (%1，0 = 暂停时)</source>
        <translation>Time (%1, 0 = paused)</translation>
    </message>
    <message>
        <source>时间 (%1，0 = 现在)</source>
        <translation>Time (%1, 0 = now)</translation>
    </message>
</context>
<context>
    <name>ControlWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>已归零</source>
        <translation>Homed</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Jog</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>位置曲线与记录</source>
        <translation>Position chart and recording</translation>
    </message>
</context>
<context>
    <name>CruiseCtrlWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>按钮参数配置</source>
        <translation>Offline...</translation>
    </message>
    <message>
        <source>设备参数配置</source>
        <translation>Device...</translation>
    </message>
    <message>
        <source>巡航模式参数</source>
        <translation>Cruise parameters</translation>
    </message>
    <message>
        <source>初始位置：</source>
        <translation>Begin:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>最终位置：</source>
        <translation>End:</translation>
    </message>
    <message>
        <source>停留时间：</source>
        <translation>Dwell time:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>巡航次数：</source>
        <translation>Count:</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>巡航起始位置 超出限制范围
</source>
        <translation>Cruise begin position out of range
</translation>
    </message>
    <message>
        <source>巡航结束位置 超出限制范围
</source>
        <translation>Cruise end position out of range
</translation>
    </message>
    <message>
        <source>巡航停留时间 超出限制范围
</source>
        <translation>Cruise dwell time out of range
</translation>
    </message>
    <message>
        <source>巡航次数 超出限制范围
</source>
        <translation>Cruise count out of range
</translation>
    </message>
</context>
<context>
    <name>DebugWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>设备端口</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>设备是否打开</source>
        <translation>Device open?</translation>
    </message>
    <message>
        <source>运动控制</source>
        <translation>Motion control</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>推进(左)</source>
        <translation>Drive left</translation>
    </message>
    <message>
        <source>推进(右)</source>
        <translation>Drive right</translation>
    </message>
    <message>
        <source>步进(左)</source>
        <translation>Jog left</translation>
    </message>
    <message>
        <source>步进(右)</source>
        <translation>Jog right</translation>
    </message>
    <message>
        <source>回原点</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>巡航</source>
        <translation>Cruise</translation>
    </message>
    <message>
        <source>move参数设置</source>
        <translation>Set move parameters</translation>
    </message>
    <message>
        <source>设置目标位置</source>
        <translation>Set target</translation>
    </message>
    <message>
        <source>设置速度</source>
        <translation>Set speed</translation>
    </message>
    <message>
        <source>设置加速度</source>
        <translation>Set acceleration</translation>
    </message>
    <message>
        <source>设置弓形参数</source>
        <translation>Set jerk</translation>
    </message>
    <message>
        <source>步进控制</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>设置步长</source>
        <translation>Set step</translation>
    </message>
    <message>
        <source>延时时间</source>
        <translation>Delay</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>剩余步进次数</source>
        <translation>Remaining jogs</translation>
    </message>
    <message>
        <source>相对位移</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>设置相对位移</source>
        <translation>Set offset</translation>
    </message>
    <message>
        <source>相对位移使能</source>
        <translation>Offset enable</translation>
    </message>
    <message>
        <source>巡航模式</source>
        <translation>Cruise</translation>
    </message>
    <message>
        <source>初始位置</source>
        <translation>Begin position</translation>
    </message>
    <message>
        <source>最终位置</source>
        <translation>End position</translation>
    </message>
    <message>
        <source>停留时间</source>
        <translation>Dwell time</translation>
    </message>
    <message>
        <source>剩余巡航次数</source>
        <translation>Remaining cruises</translation>
    </message>
    <message>
        <source>离线参数</source>
        <translation>Offline parameters</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>运行模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>步长</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>位置1</source>
        <translation>Pos. 1</translation>
    </message>
    <message>
        <source>位置2</source>
        <translation>Pos. 2</translation>
    </message>
    <message>
        <source>背光亮度等级</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>背光睡眠等级</source>
        <translation>Sleep level</translation>
    </message>
    <message>
        <source>背光休眠时间</source>
        <translation>Sleep after</translation>
    </message>
    <message>
        <source>设备设置</source>
        <translation>Device settings</translation>
    </message>
    <message>
        <source>触发输入模式</source>
        <translation>Input mode</translation>
    </message>
    <message>
        <source>上升沿</source>
        <translation>Rising</translation>
    </message>
    <message>
        <source>下降沿</source>
        <translation>Falling</translation>
    </message>
    <message>
        <source>触发输入1位移</source>
        <translation>Input 1 offset</translation>
    </message>
    <message>
        <source>触发输入2位移</source>
        <translation>Input 2 offset</translation>
    </message>
    <message>
        <source>触发输出模式</source>
        <translation>Output mode</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>High</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>触发输出条件</source>
        <translation>Output condition</translation>
    </message>
    <message>
        <source>电机运动</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>达到指定位置</source>
        <translation>At position</translation>
    </message>
    <message>
        <source>达到最大速度</source>
        <translation>Max speed</translation>
    </message>
    <message>
        <source>IO1</source>
        <translation>IO1</translation>
    </message>
    <message>
        <source>触发输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>触发输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>触发时间</source>
        <translation>Output time</translation>
    </message>
    <message>
        <source>IO2</source>
        <translation>IO2</translation>
    </message>
    <message>
        <source>临时促动器型号</source>
        <translation>Temporary model</translation>
    </message>
    <message>
        <source>电机使能</source>
        <translation>Motor enable</translation>
    </message>
    <message>
        <source>信息查询</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>位置查询</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>工作状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>move参数</source>
        <translation>Move parameters</translation>
    </message>
    <message>
        <source>jog参数</source>
        <translation>Jog parameters</translation>
    </message>
    <message>
        <source>drive参数</source>
        <translation>Drive parameters</translation>
    </message>
    <message>
        <source>cruise参数</source>
        <translation>Cruise parameters</translation>
    </message>
    <message>
        <source>软件版本</source>
        <translation>Software version</translation>
    </message>
    <message>
        <source>促动器型号</source>
        <translation>Actuator model</translation>
    </message>
    <message>
        <source>促动器序列号</source>
        <translation>Actuator serial</translation>
    </message>
    <message>
        <source>驱动器型号</source>
        <translation>Driver model</translation>
    </message>
    <message>
        <source>驱动器序列号</source>
        <translation>Driver serial</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device information</translation>
    </message>
    <message>
        <source>写促动器型号</source>
        <translation>Write actuator model</translation>
    </message>
    <message>
        <source>写促动器序列号</source>
        <translation>Write actuator serial</translation>
    </message>
    <message>
        <source>写驱动器型号</source>
        <translation>Write driver model</translation>
    </message>
    <message>
        <source>写驱动器序列号</source>
        <translation>Write driver serial</translation>
    </message>
    <message>
        <source>debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>设置电流</source>
        <translation>Set current</translation>
    </message>
    <message>
        <source>细分数</source>
        <translation>Microsteps</translation>
    </message>
    <message>
        <source>设置反冲</source>
        <translation>Set backlash</translation>
    </message>
    <message>
        <source>读反冲</source>
        <translation>Read backlash</translation>
    </message>
    <message>
        <source>   是否到达指定位置: %1
   是否到达指定速度: %2
   电机是否停止: %3
   是否到达左限位: %4
   是否到达右限位: %5
   电机是否使能: %6
   滑台是否归零: %7
   禁止运动控制: %8</source>
        <translation>   Position reached: %1
   Speed reached: %2
   Motor stopped: %3
   Left limit reached: %4
   Right limit reached: %5
   Motor enabled: %6
   Homed: %7
   Motion control disabled: %8</translation>
    </message>
    <message>
        <source>,  成功</source>
        <translation>,  succeeded</translation>
    </message>
    <message>
        <source>,  失败</source>
        <translation>,  failed</translation>
    </message>
    <message>
        <source>扫描设备, 设备数量: %1</source>
        <translation>Refresh, devices found: %1</translation>
    </message>
    <message>
        <source>打开设备 %1</source>
        <translation>Open device %1</translation>
    </message>
    <message>
        <source>关闭设备 %1</source>
        <translation>Close device %1</translation>
    </message>
    <message>
        <source>设备是否打开: %1</source>
        <translation>Device open: %1</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Drive left</source>
        <translation>Drive left</translation>
    </message>
    <message>
        <source>Drive right</source>
        <translation>Drive right</translation>
    </message>
    <message>
        <source>Jog left</source>
        <translation>Jog left</translation>
    </message>
    <message>
        <source>Jog right</source>
        <translation>Jog right</translation>
    </message>
    <message>
        <source>步进步长</source>
        <translation>Jog step</translation>
    </message>
    <message>
        <source>步进延时</source>
        <translation>Jog delay</translation>
    </message>
    <message>
        <source>步进次数</source>
        <translation>Jog count</translation>
    </message>
    <message>
        <source>巡航初始位置</source>
        <translation>Cruise begin position</translation>
    </message>
    <message>
        <source>巡航最终位置</source>
        <translation>Cruise end position</translation>
    </message>
    <message>
        <source>巡航停留时间</source>
        <translation>Cruise dwell time</translation>
    </message>
    <message>
        <source>巡航次数</source>
        <translation>Cruise count</translation>
    </message>
    <message>
        <source>离线 速度</source>
        <translation>Offline speed</translation>
    </message>
    <message>
        <source>离线 运行模式</source>
        <translation>Offline mode</translation>
    </message>
    <message>
        <source>离线 步长</source>
        <translation>Offline step</translation>
    </message>
    <message>
        <source>离线 位置1</source>
        <translation>Offline pos. 1</translation>
    </message>
    <message>
        <source>离线 位置2</source>
        <translation>Offline pos. 2</translation>
    </message>
    <message>
        <source>离线 亮度等级</source>
        <translation>Offline brightness</translation>
    </message>
    <message>
        <source>离线 睡眠等级</source>
        <translation>Offline sleep level</translation>
    </message>
    <message>
        <source>离线 休眠时间</source>
        <translation>Offline sleep after</translation>
    </message>
    <message>
        <source>设置触发输出条件</source>
        <translation>Set trigger output condition</translation>
    </message>
    <message>
        <source>IO1设置</source>
        <translation>Set IO1 mode</translation>
    </message>
    <message>
        <source>IO2设置</source>
        <translation>Set IO2 mode</translation>
    </message>
    <message>
        <source>设置触发输入1位移量</source>
        <translation>Set trigger input 1 offset</translation>
    </message>
    <message>
        <source>设置触发输入2位移量</source>
        <translation>Set trigger input 2 offset</translation>
    </message>
    <message>
        <source>写软件版本</source>
        <translation>Write software version</translation>
    </message>
    <message>
        <source>设置细分数</source>
        <translation>Set microsteps</translation>
    </message>
    <message>
        <source>设置反冲校准</source>
        <translation>Set backlash calibration</translation>
    </message>
    <message>
        <source>获取位置信息</source>
        <translation>Read position</translation>
    </message>
    <message>
        <source>获取运行状态</source>
        <translation>Read status</translation>
    </message>
    <message>
        <source>查询Move参数</source>
        <translation>Read move parameters</translation>
    </message>
    <message>
        <source>   targetPos: %1
   speed: %2
   acc: %3
   dec: %4
   jerk: %5</source>
        <translation>   targetPos: %1
   speed: %2
   acc: %3
   dec: %4
   jerk: %5</translation>
    </message>
    <message>
        <source>查询Jog参数</source>
        <translation>Read jog parameters</translation>
    </message>
    <message>
        <source>   jogStep: %1
   jogDelay: %2
   jogTimes: %3</source>
        <translation>   jogStep: %1
   jogDelay: %2
   jogTimes: %3</translation>
    </message>
    <message>
        <source>查询Drive参数</source>
        <translation>Read drive parameters</translation>
    </message>
    <message>
        <source>   offset: %1
   enable: %2</source>
        <translation>   offset: %1
   enable: %2</translation>
    </message>
    <message>
        <source>查询Cruise参数</source>
        <translation>Read cruise parameters</translation>
    </message>
    <message>
        <source>   startPos: %1
   endPos: %2
   stopTime: %3
   times: %4</source>
        <translation>   startPos: %1
   endPos: %2
   stopTime: %3
   times: %4</translation>
    </message>
    <message>
        <source>查询离线参数</source>
        <translation>Read offline parameters</translation>
    </message>
    <message>
        <source>   速度: %1
   模式: %2
   步进量: %3
   位置1: %4
   位置2: %5
   背光亮度等级: %6
   背光睡眠等级: %7
   背光休眠时间: %8</source>
        <translation>   Speed: %1
   Mode: %2
   Step: %3
   Pos. 1: %4
   Pos. 2: %5
   Brightness: %6
   Sleep level: %7
   Sleep after: %8</translation>
    </message>
    <message>
        <source>读促动器型号</source>
        <translation>Read actuator model</translation>
    </message>
    <message>
        <source>读促动器序列号</source>
        <translation>Read actuator serial</translation>
    </message>
    <message>
        <source>读驱动器型号</source>
        <translation>Read driver model</translation>
    </message>
    <message>
        <source>读驱动器序列号</source>
        <translation>Read driver serial</translation>
    </message>
    <message>
        <source>读软件版本</source>
        <translation>Read software version</translation>
    </message>
    <message>
        <source>读反冲校准</source>
        <translation>Read backlash calibration</translation>
    </message>
    <message>
        <source>发送自定义报文</source>
        <translation>Send custom frame</translation>
    </message>
    <message>
        <source>软件版本</source>
        <comment>write</comment>
        <translation>Write software version</translation>
    </message>
    <message>
        <source>debug</source>
        <comment>send a frame</comment>
        <translation>Send frame</translation>
    </message>
    <message>
        <source>打开设备 %1: 设备正由控制面板使用，未打开</source>
        <translation>Open device %1: in use by a control panel, not opened</translation>
    </message>
    <message>
        <source>: 报文为空，未发送</source>
        <translation>: no payload, nothing sent</translation>
    </message>
    <message>
        <source>: 报文有 %1 字节，超过 %2 字节，未发送</source>
        <translation>: %1 bytes, more than %2, nothing sent</translation>
    </message>
    <message>
        <source>: “%1”不是两位十六进制字节，未发送</source>
        <translation>: &quot;%1&quot; is not a hex byte of two digits, nothing sent</translation>
    </message>
    <message>
        <source>打开设备 %1: 设备正由添加设备窗口使用，未打开</source>
        <translation>Open device %1: in use by the add-device dialog, not opened</translation>
    </message>
</context>
<context>
    <name>DeviceTrace</name>
    <message>
        <source>记录到 CSV 文件</source>
        <translation>Record to a CSV file</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>导出日志</source>
        <translation>Export log</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <source>无法保存日志文件 %1：%2</source>
        <translation>Could not save the log file %1: %2</translation>
    </message>
    <message>
        <source>导出日志…</source>
        <translation>Export log…</translation>
    </message>
    <message>
        <source>此文件只含日志最新的 %1 行：更早的 %2 行已从面板删除。</source>
        <translation>This file holds only the newest %1 lines of the log: %2 older lines had been dropped from the panel.</translation>
    </message>
</context>
<context>
    <name>DriveParamWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>相对位移:</source>
        <translation>Offset:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>mm/s</source>
        <translation>mm/s</translation>
    </message>
    <message>
        <source>加速度:</source>
        <translation>Accel.:</translation>
    </message>
    <message>
        <source>mm/s²</source>
        <translation>mm/s²</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>相对位移值 超出限制范围
</source>
        <translation>Offset out of range
</translation>
    </message>
    <message>
        <source>速度值 超出限制范围
</source>
        <translation>Speed out of range
</translation>
    </message>
    <message>
        <source>加速度值 超出限制范围
</source>
        <translation>Acceleration out of range
</translation>
    </message>
</context>
<context>
    <name>HelpWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>使用手册：</source>
        <translation>User manual:</translation>
    </message>
    <message>
        <source>二次开发：</source>
        <translation>Development:</translation>
    </message>
    <message>
        <source>软件版本：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>查看 C++/C# SDK</source>
        <translation>Open C++/C# SDK</translation>
    </message>
    <message>
        <source>查看 labview SDK</source>
        <translation>Open LabVIEW SDK</translation>
    </message>
    <message>
        <source>Copyright © 2024 Nuvik 保留所有权利。</source>
        <translation>Copyright © 2024 Nuvik. All rights reserved.</translation>
    </message>
    <message>
        <source>了解更多详细信息</source>
        <translation>Learn more</translation>
    </message>
    <message>
        <source>KESTA-ORV电动促动控制器用户手册.pdf</source>
        <comment>file name of the user manual</comment>
        <translation>KESTA-ORV_Actuator_Controller_User_Manual.pdf</translation>
    </message>
    <message>
        <source>查看 Python SDK</source>
        <translation>Open Python SDK</translation>
    </message>
    <message>
        <source>文件保存于：</source>
        <translation>Files saved in:</translation>
    </message>
</context>
<context>
    <name>JogParamWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>步长：</source>
        <translation>Step:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>步进次数：</source>
        <translation>Count:</translation>
    </message>
    <message>
        <source>步进延时：</source>
        <translation>Delay:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>步进步长 超出限制范围
</source>
        <translation>Jog step out of range
</translation>
    </message>
    <message>
        <source>步进延时时间 超出限制范围
</source>
        <translation>Jog delay out of range
</translation>
    </message>
    <message>
        <source>步进次数 超出限制范围
</source>
        <translation>Jog count out of range
</translation>
    </message>
</context>
<context>
    <name>MainWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>您确定要关闭控制窗口吗?</source>
        <translation>Close this control panel?</translation>
    </message>
    <message>
        <source>设备已断开!</source>
        <translation>Device disconnected!</translation>
    </message>
    <message>
        <source>无法读取参数文件 %1。
本次运行不会保存任何参数, 以免覆盖该文件。</source>
        <translation>Cannot read the parameter file %1.
No parameters will be saved during this run, so that the file is not overwritten.</translation>
    </message>
</context>
<context>
    <name>MoveParamWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>mm/s</source>
        <translation>mm/s</translation>
    </message>
    <message>
        <source>加速度:</source>
        <translation>Accel.:</translation>
    </message>
    <message>
        <source>mm/s²</source>
        <translation>mm/s²</translation>
    </message>
    <message>
        <source>弓形参数:</source>
        <translation>Jerk:</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>目标位置 超出限制范围
</source>
        <translation>Target position out of range
</translation>
    </message>
    <message>
        <source>速度值 超出限制范围
</source>
        <translation>Speed out of range
</translation>
    </message>
    <message>
        <source>加速度值 超出限制范围
</source>
        <translation>Acceleration out of range
</translation>
    </message>
    <message>
        <source>弓形参数 超出限制范围
</source>
        <translation>Jerk out of range
</translation>
    </message>
</context>
<context>
    <name>OptionWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
    <message>
        <source>远程</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>允许脚本控制设备（仅限本机）</source>
        <translation>Let scripts control devices (this computer only)</translation>
    </message>
    <message>
        <source>端口 %1 · 未开启</source>
        <translation>Port %1 · off</translation>
    </message>
    <message>
        <source>端口 %1 · 已连接的客户端：%2</source>
        <translation>Port %1 · clients connected: %2</translation>
    </message>
    <message>
        <source>端口 %1 已被其他程序占用</source>
        <translation>Port %1 is in use by another program</translation>
    </message>
    <message>
        <source>无法在端口 %1 上监听：%2</source>
        <translation>Cannot listen on port %1: %2</translation>
    </message>
    <message>
        <source>无法写入令牌文件 %1</source>
        <translation>Cannot write the token file %1</translation>
    </message>
</context>
<context>
    <name>PositionRecorder</name>
    <message>
        <source>设备 %1 已在记录中。</source>
        <translation>Device %1 is already being recorded.</translation>
    </message>
    <message>
        <source>文件 %1 正在记录设备 %2，不能再写入另一个记录。</source>
        <translation>The file %1 is recording device %2; it cannot take another recording.</translation>
    </message>
    <message>
        <source>无法创建记录文件 %1：%2</source>
        <translation>Could not create the recording file %1: %2</translation>
    </message>
    <message>
        <source>记录已停止：无法写入文件 %1（%2）。
之前的记录保留在文件中。</source>
        <translation>Recording stopped: could not write the file %1 (%2).
The rows recorded before stay in the file.</translation>
    </message>
    <message>
        <source>记录已停止：文件 %1 已被删除或移走。</source>
        <translation>Recording stopped: the file %1 was deleted or moved.</translation>
    </message>
</context>
<context>
    <name>SerialComDev</name>
    <message>
        <source>回原点</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>使能设备</source>
        <translation>Motor enable</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>设置移动参数</source>
        <translation>Set move parameters</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>设置步进参数</source>
        <translation>Set jog parameters</translation>
    </message>
    <message>
        <source>推进</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>设置推进参数</source>
        <translation>Set drive parameters</translation>
    </message>
    <message>
        <source>巡航</source>
        <translation>Cruise</translation>
    </message>
    <message>
        <source>设置按钮参数</source>
        <translation>Set offline parameters</translation>
    </message>
    <message>
        <source>设置触发参数</source>
        <translation>Set trigger parameters</translation>
    </message>
    <message>
        <source>手动设置促动器型号</source>
        <translation>Set model by hand</translation>
    </message>
    <message>
        <source>初始化运动轴参数成功</source>
        <translation>Axis parameters initialized</translation>
    </message>
    <message>
        <source>  初始化未完成</source>
        <translation>  not initialized yet</translation>
    </message>
    <message>
        <source>操作成功</source>
        <translation>succeeded</translation>
    </message>
    <message>
        <source>操作失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>enabled</translation>
    </message>
    <message>
        <source>未使能</source>
        <translation>disabled</translation>
    </message>
    <message>
        <source>
目标位置: %1mm
速度: %2mm/s   加速度: %3mm/s²
弓形参数: %4   弓形参数使能: %5
</source>
        <translation>
Target position: %1mm
Speed: %2mm/s   Acceleration: %3mm/s²
Jerk: %4   Jerk enable: %5
</translation>
    </message>
    <message>
        <source>  </source>
        <translation>  </translation>
    </message>
    <message>
        <source>  %1  </source>
        <translation>  %1  </translation>
    </message>
    <message>
        <source>
正方向  步长: %1mm  延时: %2ms  次数: %3
</source>
        <translation>
Positive direction  Step: %1mm  Delay: %2ms  Count: %3
</translation>
    </message>
    <message>
        <source>
负方向  步长: %1mm  延时: %2ms  次数: %3
</source>
        <translation>
Negative direction  Step: %1mm  Delay: %2ms  Count: %3
</translation>
    </message>
    <message>
        <source>
正方向  相对位移: %1mm
相对位移使能: %2
速度: %3mm/s  加速度: %4mm/s²
</source>
        <translation>
Positive direction  Offset: %1mm
Offset enable: %2
Speed: %3mm/s  Acceleration: %4mm/s²
</translation>
    </message>
    <message>
        <source>
负方向  相对位移: %1mm
相对位移使能: %2
速度: %3mm/s  加速度: %4mm/s²
</source>
        <translation>
Negative direction  Offset: %1mm
Offset enable: %2
Speed: %3mm/s  Acceleration: %4mm/s²
</translation>
    </message>
    <message>
        <source>
步长: %1mm  延时: %2ms  次数: %3
</source>
        <translation>
Step: %1mm  Delay: %2ms  Count: %3
</translation>
    </message>
    <message>
        <source>
相对位移: %1mm  相对位移使能: %2
速度: %3mm/s  加速度: %4mm/s²
</source>
        <translation>
Offset: %1mm  Offset enable: %2
Speed: %3mm/s  Acceleration: %4mm/s²
</translation>
    </message>
    <message>
        <source>
初始位置: %1mm  最终位置: %2mm
停留时间: %3ms  巡航次数:%4
</source>
        <translation>
Begin position: %1mm  End position: %2mm
Dwell time: %3ms  Cruise count: %4
</translation>
    </message>
    <message>
        <source>速度模式</source>
        <translation>Speed mode</translation>
    </message>
    <message>
        <source>步进模式</source>
        <translation>Step mode</translation>
    </message>
    <message>
        <source>位置模式</source>
        <translation>Position mode</translation>
    </message>
    <message>
        <source>
速度: %1mm/s  模式: %2
步长: %3mm  位置1: %4mm
位置2: %5mm
背光亮度等级: %6, 背光睡眠等级: %7
休眠时间: %8min
</source>
        <translation>
Speed: %1mm/s  Mode: %2
Step: %3mm  Pos. 1: %4mm
Pos. 2: %5mm
Brightness: %6, Sleep level: %7
Sleep after: %8min
</translation>
    </message>
    <message>
        <source>IO%1: 触发输入, %2, 相对位移 %3</source>
        <translation>IO%1: input, %2, offset %3</translation>
    </message>
    <message>
        <source>上升沿触发</source>
        <translation>rising</translation>
    </message>
    <message>
        <source>下降沿触发</source>
        <translation>falling</translation>
    </message>
    <message>
        <source>电机运动</source>
        <translation>moving</translation>
    </message>
    <message>
        <source>到达指定位置</source>
        <translation>at position</translation>
    </message>
    <message>
        <source>达到最大速度</source>
        <translation>max speed</translation>
    </message>
    <message>
        <source>IO%1: 触发输出, %2, %3, 输出电平时间 %4</source>
        <translation>IO%1: output, %2, %3, output time %4</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>high</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>low</translation>
    </message>
    <message>
        <source>设备已断开……</source>
        <translation>Device disconnected...</translation>
    </message>
    <message>
        <source>设备已运行到负限位位置！</source>
        <translation>Device reached the negative limit!</translation>
    </message>
    <message>
        <source>设备已运行到正限位位置！</source>
        <translation>Device reached the positive limit!</translation>
    </message>
    <message>
        <source>促动器电机已连接。</source>
        <translation>Actuator motor connected.</translation>
    </message>
    <message>
        <source>促动器型号：%1，  序列号：%2</source>
        <translation>Actuator model: %1,  serial: %2</translation>
    </message>
    <message>
        <source>促动器电机已断开。</source>
        <translation>Actuator motor disconnected.</translation>
    </message>
    <message>
        <source>  剩余次数: %1</source>
        <translation>  remaining: %1</translation>
    </message>
    <message>
        <source>移动参数</source>
        <translation>move parameters</translation>
    </message>
    <message>
        <source>步进参数</source>
        <translation>jog parameters</translation>
    </message>
    <message>
        <source>推进参数</source>
        <translation>drive parameters</translation>
    </message>
    <message>
        <source>巡航参数</source>
        <translation>cruise parameters</translation>
    </message>
    <message>
        <source>初始化运动轴参数失败: %1 未能写入设备, 设备中的这些参数未知</source>
        <translation>Initialising axis parameters failed: %1 could not be written; the device&apos;s values for these are unknown</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>
%1 %2mm 超出行程 [0-%3]mm, 未执行
</source>
        <translation>
%1 %2 mm is beyond the travel [0-%3] mm; not executed
</translation>
    </message>
    <message>
        <source>目标位置</source>
        <translation>Target position</translation>
    </message>
    <message>
        <source>步长</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>初始位置</source>
        <translation>Begin position</translation>
    </message>
    <message>
        <source>最终位置</source>
        <translation>End position</translation>
    </message>
    <message>
        <source>位置1</source>
        <translation>Pos. 1</translation>
    </message>
    <message>
        <source>位置2</source>
        <translation>Pos. 2</translation>
    </message>
    <message>
        <source>读取按钮参数失败: 设备中的按钮参数未知</source>
        <translation>Reading the offline parameters failed: the device&apos;s offline parameters are unknown</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>初始化未完成</source>
        <translation>not initialized yet</translation>
    </message>
    <message>
        <source>[脚本] </source>
        <translation>[Script] </translation>
    </message>
</context>
<context>
    <name>TriParamWidget</name>
    <message>
        <source>设备配置</source>
        <translation>Device configuration</translation>
    </message>
    <message>
        <source>IO1</source>
        <translation>IO1</translation>
    </message>
    <message>
        <source>触发输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>触发输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>上升沿</source>
        <translation>Rising</translation>
    </message>
    <message>
        <source>下降沿</source>
        <translation>Falling</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>High</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>电机运动</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>达到指定位置</source>
        <translation>At position</translation>
    </message>
    <message>
        <source>达到最大速度</source>
        <translation>Max speed</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>IO2</source>
        <translation>IO2</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>促动器型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>促动器序列号：</source>
        <translation>Serial:</translation>
    </message>
    <message>
        <source>手动设置促动器型号</source>
        <translation>Set model by hand</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>相对位移 超出限制范围
</source>
        <translation>offset out of range
</translation>
    </message>
    <message>
        <source>输出电平时间 超出限制范围
</source>
        <translation>output time out of range
</translation>
    </message>
</context>
</TS>
